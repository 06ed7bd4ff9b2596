// A send as the account chosen in the window: its server, its address and
// its way out, read when the send runs.
#include <gtest/gtest.h>

#include "compose/accountsend.h"
#include "tests/support/fakemailsender.h"
#include "tests/support/tempfolder.h"
#include "tests/support/unreadablekeyring.h"

TEST(AccountSend, sendsThroughTheChosenAccountsServerAsItsAddressOrNotAtAll) {
    struct Row {
        const char* name;
        QString key; // "further": the key the further account got
        bool furtherRemoved;
        bool keyringUnreadable;
        QStringList sentAs;
        std::optional<Error::Kind> refusal;
    };
    const Row rows[] = {
        {"first-account",
         AccountProfile::kFirstKey,
         false,
         false,
         {u"smtp.home.jp: me@home.jp"_qs},
         std::nullopt},
        {"further-account", u"further"_qs, false, false, {u"smtp.work.jp: taro@work.jp"_qs}, std::nullopt},
        {"further-account-removed-while-the-window-was-open",
         u"further"_qs,
         true,
         false,
         {},
         Error::Kind::NoSuchAccount},
        {"further-accounts-passwords-in-a-keyring-that-cannot-be-read",
         u"further"_qs,
         false,
         true,
         {},
         Error::Kind::KeyringRefused},
        {"first-account-unaffected-by-the-keyring",
         AccountProfile::kFirstKey,
         false,
         true,
         {u"smtp.home.jp: me@home.jp"_qs},
         std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder dir;
        const UnreadableKeyring keyring;
        const QString servers = dir.file(u"orvex.ini"_qs), accountFile = dir.file(u"iniIdPass.ini"_qs);
        WriteBytes(accountFile, "[EXEINI]\r\nNAME=me\r\nNAME2=pw\r\n");
        AccountProfile work;
        work.address = u"taro@work.jp"_qs;
        work.smtpServer = u"smtp.work.jp"_qs;
        work.password = u"secret"_qs;
        const Result<AccountProfile> further = Accounts(servers, accountFile).add(work);
        ASSERT_TRUE(further.ok());
        if (row.furtherRemoved) {
            ASSERT_TRUE(Accounts(servers, accountFile).remove(further->key).ok());
        }
        if (row.keyringUnreadable) { // the entry says its passwords are in the keyring
            ASSERT_TRUE(Accounts(servers, accountFile, &keyring).edit(*further).ok());
        }
        AppSettings settings;
        settings.servers.SmtpServer = u"smtp.home.jp"_qs;
        settings.servers.MailAddress = u"me@home.jp"_qs;
        const AppPaths paths(dir.path());
        FakeMailSender sender;
        const AccountSend send(
            paths, AccountsThisRun(paths, settings, Accounts(servers, accountFile, &keyring)),
            row.key == u"further"_qs ? further->key : row.key,
            [&sender](const AccountProfile&) { return std::make_shared<FakeMailSender>(sender); });
        SendRequest request;
        request.toText = u"hanako@example.jp"_qs;
        request.keepSentRecord = false;
        const SendReport report = send.run(request);
        EXPECT_EQ(*sender.sentAs, row.sentAs);
        EXPECT_EQ(report.refusal ? std::optional(report.refusal->kind) : std::nullopt, row.refusal);
    }
}
