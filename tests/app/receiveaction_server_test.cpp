// The receive label against the real Dovecot of the test run: the main
// window stays live while a check of 1000 messages runs.
#include <QLabel>
#include <QLineEdit>
#include <QSemaphore>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/receiveaction.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/heldsession.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/pop3session.h"

namespace {

class ReceiveWindowTest : public testing::Test, protected AppFolder {
  protected:
    TestAccount account;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        context.settings.servers.Pop3Server = TestMailServers::pop3Server();
        WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=" + account.name.toLatin1() +
                                                    "\r\nNAME2=" + account.password.toLatin1() + "\r\n");
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        form->show();
    }
};

} // namespace

TEST_F(ReceiveWindowTest, clockTicksAndASecondPressDoesNothingWhileAThousandMessagesArrive) {
    for (int i = 1; i <= 1000; ++i)
        TestMailServers::deliver(account, QByteArray("Subject: m") + QByteArray::number(i) + "\r\n\r\nbody " +
                                              QByteArray::number(i) + "\r\n");
    auto gate = std::make_shared<QSemaphore>();
    std::atomic<int> checksStarted = 0;
    ReceiveAction receive(context, *windows, *form, [&](const ConnectionQuestion&) {
        ++checksStarted;
        return std::make_unique<HeldSession>(gate, 500);
    });
    form->onReceive = [&] { receive.run(); };
    struct OpenGate {
        std::shared_ptr<QSemaphore> gate;
        ~OpenGate() { gate->release(); }
    } openAtTheEnd{gate};

    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    ASSERT_TRUE(receive.isRunning()) << "the press returned while the check runs";
    const QString clock = form->Text2->text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Text2->text() != clock; }, 3000));
    ASSERT_TRUE(receive.isRunning());
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);

    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive.isRunning(); }, 120000));
    EXPECT_EQ(checksStarted, 1) << "the second press started nothing";
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
    EXPECT_EQ(MailFile::received(context.paths).count().value(), 1000);
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
    EXPECT_TRUE(prompter.shown.isEmpty());
}
