// A send as the account chosen in the window: its server, its address and
// its way out, read when the send runs.
#include <gtest/gtest.h>

#include "compose/accountsend.h"
#include "tests/support/fakemailsender.h"
#include "tests/support/tempfolder.h"
#include "tests/support/unreadablekeyring.h"

TEST(AccountSend, sendsThroughTheChosenAccountsServerAsItsAddressOrNotAtAll) {
    enum class Further { Kept, Removed, InLockedKeyring }; // the further account, since the window opened
    const struct {
        const char* name;
        bool fromFirst;
        Further further;
        std::optional<Error::Kind> refusal; // none: it went out, as the account chosen
    } rows[] = {
        {"first-account", true, Further::Kept, std::nullopt},
        {"further-account", false, Further::Kept, std::nullopt},
        {"further-account-removed-while-the-window-was-open", false, Further::Removed,
         Error::Kind::NoSuchAccount},
        {"further-accounts-passwords-in-a-keyring-that-cannot-be-read", false, Further::InLockedKeyring,
         Error::Kind::KeyringRefused},
        {"first-account-unaffected-by-that-keyring", true, Further::InLockedKeyring, std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder dir;
        const UnreadableKeyring keyring;
        const QString servers = dir.file(u"orvex.ini"_qs), accountFile = dir.file(u"iniIdPass.ini"_qs);
        WriteBytes(accountFile, "[EXEINI]\r\nNAME=me\r\nNAME2=pw\r\n");
        AccountProfile work;
        work.address = u"taro@work.jp"_qs;
        work.smtpServer = u"smtp.work.jp"_qs;
        work.password = u"secret"_qs;
        const Result<AccountProfile> added = Accounts(servers, accountFile).add(work);
        ASSERT_TRUE(added.ok());
        const Status changed =
            row.further == Further::Removed ? Accounts(servers, accountFile).remove(added->key)
            : row.further == Further::InLockedKeyring
                ? Accounts(servers, accountFile, &keyring).edit(*added) // its passwords move there
                : Status();
        ASSERT_TRUE(changed.ok());
        AppSettings settings;
        settings.servers.SmtpServer = u"smtp.home.jp"_qs;
        settings.servers.MailAddress = u"me@home.jp"_qs;
        const AppPaths paths(dir.path());
        FakeMailSender sender;
        const AccountSend send(
            paths, AccountsThisRun(paths, settings, Accounts(servers, accountFile, &keyring)),
            row.fromFirst ? AccountProfile::kFirstKey : added->key,
            [&sender](const AccountProfile&) { return std::make_shared<FakeMailSender>(sender); });
        SendRequest request;
        request.toText = u"hanako@example.jp"_qs;
        request.keepSentRecord = false;
        const SendReport report = send.run(request);
        const QString as = row.fromFirst ? u"smtp.home.jp: me@home.jp"_qs : u"smtp.work.jp: taro@work.jp"_qs;
        EXPECT_EQ(*sender.sentAs, row.refusal ? QStringList() : QStringList{as});
        EXPECT_EQ(report.refusal ? std::optional(report.refusal->kind) : std::nullopt, row.refusal);
    }
}
