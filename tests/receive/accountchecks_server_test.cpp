// Several accounts into one history, against the real Dovecot of the test run.
#include <QDir>
#include <gtest/gtest.h>

#include "oauth/accesstokens.h"
#include "receive/accountchecks.h"
#include "search/mailaccounts.h"
#include "search/mailfacts.h"
#include "store/mailfile.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testsignin.h"
#include "transport/pop3session.h"

TEST(AccountChecksServer, threeAccountsOneSignedInGoToOneHistoryAndAFailingOneStopsNone) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    TempFolder root;
    const AppPaths paths(root.file(QStringLiteral("app")));
    ASSERT_TRUE(QDir().mkpath(paths.applicationFolder()) && paths.ensureLayout().ok());
    const TestAccount work = TestMailServers::claimAccount();
    const TestAccount home = TestMailServers::claimAccount();
    const TestAccount shop = TestMailServers::claimAccount();
    const QList<std::pair<TestAccount, QByteArray>> mail = {{work, "work-1"}, {work, "work-2"},
                                                            {home, "home-1"}, {home, "home-2"},
                                                            {home, "home-3"}, {shop, "shop-1"}};
    for (const auto& [to, subject] : mail)
        TestMailServers::deliver(to, "From: a@example.jp\r\nSubject: " + subject +
                                         "\r\nDate: Tue, 08 Dec 2026 09:00:00 +0900\r\n\r\nbody\r\n");

    AccountProfile first;
    first.key = AccountProfile::kFirstKey;
    first.displayName = QStringLiteral("会社");
    first.pop3Server = TestMailServers::pop3Server();
    first.loginId = work.name;
    first.password = work.password;
    AccountProfile signedIn;
    signedIn.key = QStringLiteral("5e1f0a0b");
    signedIn.displayName = QStringLiteral("自宅");
    signedIn.pop3Server = TestMailServers::pop3sOAuthServer();
    signedIn.loginId = home.name;
    signedIn.signedIn = true;
    signedIn.signInFile = root.file(QStringLiteral("oauth2-signin-5e1f0a0b"));
    SignInAtTestServer(home, signedIn.signInFile);
    AccountProfile refused;
    refused.key = QStringLiteral("0c0ffee0");
    refused.displayName = QStringLiteral("店");
    refused.pop3Server = TestMailServers::pop3Server();
    refused.loginId = shop.name;
    refused.password = QStringLiteral("not-the-password");

    const QList<AccountProfile> accounts = {first, signedIn, refused};
    const MailCheck::Outcome outcome =
        AccountChecks::run({accounts, std::nullopt, std::nullopt, {}}, [&](const AccountProfile& account) {
            Pop3Session::Options options;
            if (account.signedIn)
                options.bearer = AccessTokens::forAccount(TokenStore(account.signInFile));
            Pop3Session pop(options, TestMailServers::trust());
            return MailCheck(paths, account, pop, {}, std::nullopt).CheckMail();
        });

    EXPECT_EQ(outcome.stored, 5);
    ASSERT_EQ(outcome.errors.size(), 1);
    EXPECT_EQ(outcome.errors[0].kind, Error::Kind::InAccount);
    EXPECT_EQ(outcome.errors[0].name, QStringLiteral("店"));
    ASSERT_TRUE(outcome.errors[0].cause);
    EXPECT_EQ(outcome.errors[0].cause->kind, Error::Kind::LoginFailed);
    // Every mail once, each beside the account it came to; the refused account's stays on its server.
    const auto records = MailFile::received(paths).readAll();
    ASSERT_TRUE(records.ok());
    auto facts = MailFacts::open(paths.receivedMailFile());
    ASSERT_TRUE(facts.ok());
    const QHash<int, QByteArray> accountOf = facts.value().values(MailAccounts::kFact).value();
    QMap<QString, QByteArray> stored;
    for (const auto& [n, record] : *records)
        stored.insert(record.subject.trimmed(), accountOf.value(n));
    const QMap<QString, QByteArray> expected = {{QStringLiteral("work-1"), "1"},
                                                {QStringLiteral("work-2"), "1"},
                                                {QStringLiteral("home-1"), "5e1f0a0b"},
                                                {QStringLiteral("home-2"), "5e1f0a0b"},
                                                {QStringLiteral("home-3"), "5e1f0a0b"}};
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(TestMailServers::waitingMessages(work), 0);
    EXPECT_EQ(TestMailServers::waitingMessages(home), 0);
    EXPECT_EQ(TestMailServers::waitingMessages(shop), 1);
}
