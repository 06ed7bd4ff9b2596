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
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/pop3session.h"

namespace {

// The real POP3 session, except that one message is fetched only once the
// test opens the gate (or ten seconds later, so that a check stuck on the
// window thread fails the test instead of hanging it).
class HeldSession : public Mailbox {
  public:
    HeldSession(std::shared_ptr<QSemaphore> gate, int heldMessage)
        : gate_(std::move(gate)), heldMessage_(heldMessage) {}
    Status connect(const QString& server) override { return pop_.connect(server); }
    Result<int> authenticate(const QString& id, const QString& password, bool apop) override {
        return pop_.authenticate(id, password, apop);
    }
    qint64 size(int n) const override { return pop_.size(n); }
    QString uidl(int n) const override { return pop_.uidl(n); }
    bool isTooLarge(int n) const override { return pop_.isTooLarge(n); }
    Result<QByteArray> fetchRaw(int n) override {
        if (n == heldMessage_)
            gate_->tryAcquire(1, 10000);
        return pop_.fetchRaw(n);
    }
    Status remove(int n) override { return pop_.remove(n); }
    Status flushRemovals() override { return pop_.flushRemovals(); }
    void close() override { pop_.close(); }
    Status flushRemovalsAndClose() override { return pop_.flushRemovalsAndClose(); }
    bool removalsCommitted() const override { return pop_.removalsCommitted(); }

  private:
    Pop3Session pop_{{}, TestMailServers::trust()};
    std::shared_ptr<QSemaphore> gate_;
    int heldMessage_;
};

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
