// The sender the windows send with, against the test run's Postfix: an
// account signed in through its provider logs in with its token, one with a
// password as it always has.
#include <gtest/gtest.h>

#include "settings/accountfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testsignin.h"
#include "ui/appcontext.h"
#include "ui/usertransport.h"

TEST(UserSmtpSender, logsInWithTheSignInWhenThereIsOneElseWithThePassword) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    struct Row {
        const char* name;
        bool signedIn;
        QString server;
        const char* mechanism;
    };
    const Row rows[] = {
        {"signed-in-account", true, TestMailServers::submissionOAuthServer(), "OAUTHBEARER"},
        {"password-account", false, TestMailServers::submissionServer(), "PLAIN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TestAccount account = TestMailServers::claimAccount();
        AppFolder folder; // its prompter trusts the test servers' certificate when asked
        AppContext& context = folder.context;
        WriteBytes(context.paths.accountFile(),
                   "[EXEINI]\r\nNAME=" + account.name.toLatin1() +
                       "\r\nNAME2=" + (row.signedIn ? QByteArray() : account.password.toLatin1()) + "\r\n");
        if (row.signedIn)
            SignInAtTestServer(account, AccountFile(context.paths.accountFile()).tokenStoreFile());
        const QString from = QStringLiteral("%1-%2@fennick.test").arg(QLatin1String(row.name), account.name);
        const Status sent = UserSmtpSender(context).send(
            row.server, {account.address, from, QStringLiteral("件名"), QStringLiteral("本文"), {}});
        ASSERT_TRUE(sent.ok()) << sent.error().debugText().toStdString();
        EXPECT_EQ(TestMailServers::smtpSession(from).mechanism, QString::fromLatin1(row.mechanism));
    }
}
