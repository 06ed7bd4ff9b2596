// The mail check on its worker thread: what it reports arrives on the thread
// that started it, in order, and a message box holds the worker.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "receive/mailcheckthread.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"
#include "transport/usernotifier.h"

namespace {

// Shows the notice on the window thread; while it is open, looks whether
// the worker went on without waiting for the answer.
class WatchingNotifier : public UserNotifier {
  public:
    explicit WatchingNotifier(std::shared_ptr<StepLog> log) : log_(std::move(log)) {}
    QStringList texts;
    bool onWindowThread = true;
    bool workerWentOn = false;

    void notify(const QString& text, const QString&) override {
        texts << text;
        onWindowThread = onWindowThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        // The worker's next step would be to close the session.
        const QDeadlineTimer patience(300);
        while (!patience.hasExpired() && !workerWentOn)
            workerWentOn = log_->steps().contains(QStringLiteral("close"));
        log_->add(QStringLiteral("notice answered"));
    }

  private:
    std::shared_ptr<StepLog> log_;
};

class MailCheckThreadTest : public testing::Test {
  protected:
    int argc = 1;
    char name[13] = "receive_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    TempFolder folder;
    AppPaths paths{folder.path()};
    AppSettings settings;
    FakeMailbox mailbox;
    WatchingNotifier notifier{mailbox.log};
    QStringList reports; // every hook and the end, as the window thread saw them
    bool allOnWindowThread = true;
    std::optional<MailCheck::Outcome> outcome;

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n"));
    }

    void report(const QString& what) {
        allOnWindowThread = allOnWindowThread && QThread::currentThread() == app.thread();
        reports << what;
    }

    std::unique_ptr<MailCheckThread> checker() {
        MailCheckHooks hooks;
        hooks.setStatus = [this](const QString& s) { report(s); };
        hooks.accountLoaded = [this](const Account& a) { report(QStringLiteral("account ") + a.id); };
        hooks.received = [this](const LastReceived& l) { report(QStringLiteral("received ") + l.subject); };
        return std::make_unique<MailCheckThread>(notifier, hooks, [this](const MailCheck::Outcome& o) {
            report(QStringLiteral("finished"));
            outcome = o;
        });
    }

    MailCheckThread::MailboxFactory mailboxes() {
        return [fake = mailbox] { return std::make_unique<FakeMailbox>(fake); };
    }

    void waitForTheEnd(MailCheckThread& thread) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (!thread.isRunning())
                loop.quit();
        });
        poll.start(5);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        ASSERT_FALSE(thread.isRunning()) << "the check did not end";
    }
};

} // namespace

TEST_F(MailCheckThreadTest, reportsArriveOnTheStartingThreadInTheCheckOrder) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二"))};
    const auto thread = checker();
    ASSERT_TRUE(thread->start(paths, settings, mailboxes()));
    EXPECT_FALSE(thread->start(paths, settings, mailboxes())) << "a second check while one runs";
    waitForTheEnd(*thread);
    EXPECT_EQ(reports,
              (QStringList{QStringLiteral("メールのチェックをしています。"), QStringLiteral("account taro"),
                           QStringLiteral("received 一"), QStringLiteral("received 二"),
                           QStringLiteral("新着メール有り。"), QStringLiteral("finished")}));
    EXPECT_TRUE(allOnWindowThread);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->stored, 2);
    EXPECT_EQ(outcome->deleted, 2);
    EXPECT_EQ(mailbox.log->steps().count(QStringLiteral("connect pop.example.jp")), 1) << "one check only";
    ASSERT_TRUE(thread->start(paths, settings, mailboxes())) << "the next check may start once one ended";
    waitForTheEnd(*thread);
    EXPECT_EQ(reports.last(), QStringLiteral("finished"));
    EXPECT_EQ(mailbox.log->steps().count(QStringLiteral("connect pop.example.jp")), 2);
}

TEST_F(MailCheckThreadTest, messageBoxHoldsTheWorkerUntilAnswered) {
    mailbox.authResult = -1;
    const auto thread = checker();
    ASSERT_TRUE(thread->start(paths, settings, mailboxes()));
    waitForTheEnd(*thread);
    EXPECT_EQ(notifier.texts, QStringList{QStringLiteral("-ERR [AUTH] Authentication failed.")});
    EXPECT_TRUE(notifier.onWindowThread);
    EXPECT_FALSE(notifier.workerWentOn);
    const QStringList steps = mailbox.log->steps();
    EXPECT_LT(steps.indexOf(QStringLiteral("notice answered")), steps.indexOf(QStringLiteral("close")));
    EXPECT_EQ(reports.last(2), (QStringList{QStringLiteral("新着メール無し。"), QStringLiteral("finished")}));
}

TEST_F(MailCheckThreadTest, closingStopsTheCheckAndDeletesWhatItFetchedAndStored) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("大")), mail(QStringLiteral("三"))};
    mailbox.tooLarge = {2}; // the worker waits for its notice to be answered
    auto thread = checker();
    ASSERT_TRUE(thread->start(paths, settings, mailboxes()));
    const QDeadlineTimer patience(10000);
    while (!mailbox.log->steps().contains(QStringLiteral("fetch 1")) && !patience.hasExpired())
        QThread::yieldCurrentThread();
    thread.reset(); // the window thread never got to show the notice
    EXPECT_TRUE(notifier.texts.isEmpty());
    const QStringList steps = mailbox.log->steps();
    // What was fetched before the stop (the storing side may be a message or two behind) is stored and
    // leaves the server; nothing is fetched that is not stored.
    for (const QString& step : steps) {
        if (step.startsWith(QStringLiteral("fetch "))) {
            EXPECT_TRUE(steps.contains(QStringLiteral("delete ") + step.mid(6)))
                << steps.join(u',').toStdString();
        }
    }
    EXPECT_TRUE(steps.contains(QStringLiteral("delete 1"))) << "the stored message leaves the server";
    EXPECT_EQ(steps.last(), QStringLiteral("close"));
    EXPECT_FALSE(outcome.has_value());
}
