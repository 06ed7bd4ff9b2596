// The senders the windows send with, against the test run's Postfix: each
// account logs in as it should, an account signed in through its provider
// with its token (a further account's refresh token kept in a real keyring
// on a bus of the test's own), one with a password as it always has.
#include <gtest/gtest.h>

#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
#include "settings/desktopkeyring.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testkeyring.h"
#include "tests/support/testsignin.h"
#include "ui/appcontext.h"
#include "ui/usertransport.h"

namespace {

[[maybe_unused]] testing::Environment* const keyring = testing::AddGlobalTestEnvironment(new TestKeyring);

} // namespace

TEST(UserSmtpSenders, eachAccountLogsInWithItsOwnSendingLoginElseItsSignInElseItsPassword) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    struct Row {
        const char* name;
        bool first;
        bool signedIn;
        bool ownSendingLogin; // its POP3 login is not one the server knows
        QString server;
        const char* mechanism;
    };
    const Row rows[] = {
        {"first-account-signed-in", true, true, false, TestMailServers::submissionOAuthServer(),
         "OAUTHBEARER"},
        {"first-account-with-password", true, false, false, TestMailServers::submissionServer(), "PLAIN"},
        {"further-account-signed-in-token-in-keyring", false, true, false,
         TestMailServers::submissionOAuthServer(), "OAUTHBEARER"},
        {"further-account-with-its-own-sending-login", false, false, true,
         TestMailServers::submissionServer(), "PLAIN"},
    };
    const DesktopKeyring desktop(&QDBusConnection::sessionBus, std::chrono::seconds(10));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TestAccount account = TestMailServers::claimAccount();
        AppFolder folder; // its prompter trusts the test servers' certificate when asked
        AppContext& context = folder.context;
        context.secrets = &desktop;
        const QString password = row.signedIn ? QString() : account.password;
        AccountProfile profile;
        if (row.first) {
            WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=" + account.name.toLatin1() +
                                                        "\r\nNAME2=" + password.toLatin1() + "\r\n");
            profile = context.accounts().load().accounts.value(0);
        } else {
            AccountProfile further;
            further.displayName = QString::fromLatin1(row.name);
            further.loginId = row.ownSendingLogin ? QStringLiteral("nobody") : account.name;
            further.password = row.ownSendingLogin ? QStringLiteral("wrong") : password;
            if (row.ownSendingLogin) {
                further.smtpLoginId = account.name;
                further.smtpPassword = account.password;
            }
            const Result<AccountProfile> added = context.accounts().add(further);
            ASSERT_TRUE(added.ok()) << added.error().debugText().toStdString();
            profile = *added;
        }
        if (row.signedIn) {
            const TempFolder signIn;
            const OAuthSignIn made =
                SignInAtTestServer(account, signIn.file(QStringLiteral("oauth2-signin")));
            ASSERT_TRUE(context.accounts().signInOf(profile).save(made).ok());
            if (!row.first) { // a further account's refresh token stays out of its file
                EXPECT_FALSE(ReadBytes(profile.signInFile).contains(made.tokens.refreshToken.toLatin1()));
            }
        }
        const QString from = QStringLiteral("%1-%2@fennick.test").arg(QLatin1String(row.name), account.name);
        const MailOutcome sent =
            UserSmtpSenders(context)(profile)
                ->open(row.server)
                ->send({account.address, from, QStringLiteral("件名"), QStringLiteral("本文"), {}});
        ASSERT_TRUE(sent.ok()) << sent.error().debugText().toStdString();
        EXPECT_EQ(TestMailServers::smtpSession(from).mechanism, QString::fromLatin1(row.mechanism));
    }
}
