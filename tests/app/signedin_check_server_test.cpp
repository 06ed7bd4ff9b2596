// The receive label of an account signed in through its provider: the
// program's own session logs in with the account's token.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "app/mainform.h"
#include "app/program.h"
#include "settings/accountfile.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testsignin.h"
#include "ui/appcontext.h"

TEST(SignedInCheck, theReceiveLabelFetchesWithTheAccountsTokenAndNoPassword) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    const TestAccount account = TestMailServers::claimAccount();
    AppFolder folder; // its prompter trusts the test servers' certificate when asked
    AppContext& context = folder.context;
    context.settings.servers.Pop3Server = TestMailServers::pop3sOAuthServer();
    WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=" + account.name.toLatin1() + "\r\n");
    SignInAtTestServer(account, AccountFile(context.paths.accountFile()).tokenStoreFile());
    TestMailServers::deliver(account, "Subject: signed in\r\n\r\nbody\r\n");

    Program program(context);
    program.mainWindow().onReceive();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.mainWindow().Text1->text() == QStringLiteral("新着メール有り。"); }, 20000))
        << program.mainWindow().Text1->text().toStdString()
        << folder.prompter.shown.value(0).text.toStdString();
    EXPECT_EQ(MailFile(context.paths.receivedMailFile(), QString()).readAll()->size(), 1);
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
}
