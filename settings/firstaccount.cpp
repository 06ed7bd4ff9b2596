#include "settings/firstaccount.h"

#include "settings/accountfile.h"
#include "settings/servercopysetting.h"

AccountProfile FirstAccountProfile(const AppPaths& paths, const AppSettings& settings) {
    const AccountFile file(paths.accountFile());
    const Account account = file.loadForCheck(settings.unsavedAccount);
    AccountProfile p;
    p.key = AccountProfile::kFirstKey;
    p.address = settings.servers.MailAddress;
    p.pop3Server = settings.servers.Pop3Server;
    p.loginId = account.id;
    p.password = account.password;
    p.apop = settings.servers.UseApop != 0;
    p.signedIn = account.signedIn;
    p.signInFile = file.tokenStoreFile();
    p.smtpServer = settings.servers.SmtpServer;
    p.serverCopy = ServerCopySetting::read(paths.accountFile());
    return p;
}
