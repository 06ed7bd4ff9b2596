// Checks on the timer against the real Dovecot of the test run: one fires
// once its interval has passed and stores the mail, none runs beside a check
// of the user's, and a question met on the timer is kept in a notice whose
// click asks it.
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/notices.h"
#include "app/receiveaction.h"
#include "app/timedchecks.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/heldsession.h"
#include "ui/usertransport.h"

namespace {

using namespace std::chrono_literals;

class RecordingNotices : public Notices {
  public:
    struct Shown {
        QString summary;
        QString body;
        std::function<void()> clicked;
    };
    void show(const QString& summary, const QString& body, std::function<void()> clicked) override {
        shown.append({summary, body, std::move(clicked)});
    }
    QList<Shown> shown;
};

class TimedCheckTest : public testing::Test, protected AppFolder {
  protected:
    static constexpr auto kInterval = 1500ms;

    TestAccount account;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;
    RecordingNotices notices;
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
    std::atomic<int> sessions = 0;    // made so far
    std::atomic<int> open = 0;        // made and not yet gone
    std::atomic<int> mostOpen = 0;    // at one time
    std::atomic<qint64> firstAt = -1; // when the first session was made, since the timer was armed
    QElapsedTimer sinceArmed;
    std::unique_ptr<ReceiveAction> receive;
    std::unique_ptr<TimedChecks> timed;

    // A session that counts itself while it lives.
    class CountedSession : public HeldSession {
      public:
        CountedSession(TimedCheckTest& test, TlsPolicy policy)
            : HeldSession(test.gate, 1, std::move(policy)), test_(test) {
            const int now = ++test_.open;
            int most = test_.mostOpen;
            while (now > most && !test_.mostOpen.compare_exchange_weak(most, now)) {
            }
        }
        ~CountedSession() override { --test_.open; }

      private:
        TimedCheckTest& test_;
    };

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        context.settings.servers.Pop3Server = TestMailServers::pop3Server();
        WriteBytes(context.paths.accountFile(), account.accountFileBytes());
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        form->show();
        receive = std::make_unique<ReceiveAction>(
            context, *windows, *form, [this](const ConnectionQuestion& ask, const AccountProfile&) {
                qint64 unset = -1;
                firstAt.compare_exchange_strong(unset, sinceArmed.elapsed());
                ++sessions;
                return std::make_unique<CountedSession>(*this, UserTlsPolicy(context, ask));
            });
        timed = std::make_unique<TimedChecks>(*receive, notices, [] { return QDateTime::currentDateTime(); });
        receive->onEnded = [this](const ReceiveAction::Ended& ended) { timed->checkEnded(ended); };
        form->onReceive = [this] { receive->run(); };
    }
    void TearDown() override {
        if (gate)
            gate->release(100);
        receive.reset();
    }

    void deliver(const char* subject) {
        TestMailServers::deliver(account, QByteArray("Subject: ") + subject + "\r\n\r\nbody\r\n");
    }
    int stored() { return MailFile::received(context.paths).count().value(); }
    void arm() {
        sinceArmed.start();
        timed->start(kInterval, false);
    }
};

} // namespace

TEST_F(TimedCheckTest, firesOnceItsIntervalHasPassedAndStoresTheMail) {
    deliver("timed");
    gate->release(100); // nothing held
    arm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored() == 1 && !receive->isRunning(); }, 30000));
    EXPECT_GE(firstAt, std::chrono::milliseconds(kInterval).count() - CheckSchedule::kSlackMillis)
        << "the check came before its time";
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
    EXPECT_TRUE(timed->timer().isActive()) << "the next one is armed";
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(notices.shown.isEmpty());
}

TEST_F(TimedCheckTest, neverRunsBesideTheUsersCheck) {
    deliver("first");
    deliver("second");
    // The user's check, held at its first message while the timer comes due.
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    ASSERT_TRUE(receive->isRunning());
    arm();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return sinceArmed.elapsed() > 2 * std::chrono::milliseconds(kInterval).count(); }, 10000));
    EXPECT_EQ(sessions, 1) << "the timer started a second check";
    // The timed check held in turn, and the user pressing 受信 meanwhile.
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 30000));
    deliver("third");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sessions == 2; }, 30000)) << "the timer was armed again";
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    EXPECT_EQ(sessions, 2) << "a press during a timed check started another";
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning() && stored() == 3; }, 30000));
    EXPECT_EQ(mostOpen, 1);
}

TEST_F(TimedCheckTest, aQuestionMetOnTheTimerIsKeptInANoticeThatAsksItWhenClicked) {
    // A server that never offered TLS: the login in clear is a question.
    context.settings.servers.Pop3Server = TestMailServers::pop3PlainServer();
    deliver("in clear");
    gate->release(100);
    arm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !notices.shown.isEmpty() && !receive->isRunning(); }, 30000));
    EXPECT_TRUE(prompter.shown.isEmpty()) << "the timed check popped a question up";
    EXPECT_EQ(stored(), 0);
    ASSERT_EQ(notices.shown.size(), 1);
    EXPECT_EQ(notices.shown[0].summary, QStringLiteral("Fennick 自動受信"));
    EXPECT_EQ(notices.shown[0].body,
              QStringLiteral("受信を続けるには確認が必要です。ここをクリックして答えてください。\n"
                             "サーバー「%1」は暗号化に対応していません。"
                             "パスワードが暗号化されずに送られます。続けますか？")
                  .arg(TestMailServers::pop3PlainServer()));
    // The next timed check meets it again and tells nobody a second time.
    const int before = sessions;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sessions > before && !receive->isRunning(); }, 30000));
    EXPECT_EQ(notices.shown.size(), 1);

    notices.shown[0].clicked(); // the user answers Yes
    ASSERT_TRUE(QTest::qWaitFor([&] { return stored() == 1 && !receive->isRunning(); }, 30000));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
}
