// The mail check on its worker thread: what it reports arrives on the thread
// that started it, in order, its errors with the outcome once the session
// has closed, and going away stops it after the message in hand.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include "receive/mailcheckthread.h"
#include "settings/firstaccount.h"
#include "tests/support/errors.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"
#include "text/canceltoken.h"

namespace {

// Holds message 1 in hand until the check's job is cancelled (or ten
// seconds pass, so that a stuck test fails instead of hanging).
class HeldUntilStopped : public FakeMailbox {
  public:
    Result<QByteArray> fetchRaw(int n) override {
        Result<QByteArray> raw = FakeMailbox::fetchRaw(n);
        const QDeadlineTimer patience(10000);
        while (n == 1 && !CancelToken::current().isCancelled() && !patience.hasExpired())
            QThread::yieldCurrentThread();
        return raw;
    }
};

QString statusName(CheckStatus status) {
    switch (status) {
    case CheckStatus::Checking:
        return QStringLiteral("checking");
    case CheckStatus::NewMail:
        return QStringLiteral("new mail");
    case CheckStatus::NoNewMail:
        return QStringLiteral("no new mail");
    }
    return {};
}

class MailCheckThreadTest : public testing::Test {
  protected:
    TempFolder folder;
    AppPaths paths{folder.path()};
    AppSettings settings;
    HeldUntilStopped mailbox;
    QStringList reports; // every hook and the end, as the window thread saw them
    bool allOnWindowThread = true;
    std::optional<MailCheck::Outcome> outcome;
    QStringList stepsAtTheEnd; // the mailbox's, when the end reached the window thread

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n"));
    }

    MailCheckThread::AccountsSource firstAccount() const {
        return [account = FirstAccountProfile(paths, settings)] {
            return Accounts::Loaded{{account}, std::nullopt, std::nullopt, {}};
        };
    }
    void report(const QString& what) {
        allOnWindowThread =
            allOnWindowThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        reports << what;
    }

    std::unique_ptr<MailCheckThread> checker() {
        MailCheckHooks hooks;
        hooks.setStatus = [this](CheckStatus s) { report(statusName(s)); };
        hooks.accountLoaded = [this](const Account& a) { report(QStringLiteral("account ") + a.id); };
        hooks.received = [this](const LastReceived& l) { report(QStringLiteral("received ") + l.subject); };
        return std::make_unique<MailCheckThread>(hooks, [this](const MailCheck::Outcome& o) {
            report(QStringLiteral("finished"));
            outcome = o;
            stepsAtTheEnd = mailbox.log->steps();
        });
    }

    // The first message is let go at once.
    MailCheckThread::MailboxFactory mailboxes() {
        return [fake = static_cast<const FakeMailbox&>(mailbox)](const AccountProfile&) {
            return std::make_unique<FakeMailbox>(fake);
        };
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
    ASSERT_TRUE(thread->start(paths, firstAccount(), mailboxes()));
    EXPECT_FALSE(thread->start(paths, firstAccount(), mailboxes())) << "a second check while one runs";
    waitForTheEnd(*thread);
    // The first mail's report may have been overtaken by the second's before the window thread got to it.
    reports.removeOne(QStringLiteral("received 一"));
    EXPECT_EQ(reports, (QStringList{QStringLiteral("checking"), QStringLiteral("account taro"),
                                    QStringLiteral("received 二"), QStringLiteral("new mail"),
                                    QStringLiteral("finished")}));
    EXPECT_TRUE(allOnWindowThread);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(outcome->stored, 2);
    EXPECT_EQ(outcome->deleted, 2);
    EXPECT_EQ(mailbox.log->steps().count(QStringLiteral("connect pop.example.jp")), 1) << "one check only";
    ASSERT_TRUE(thread->start(paths, firstAccount(), mailboxes()))
        << "the next check may start once one ended";
    waitForTheEnd(*thread);
    EXPECT_EQ(reports.last(), QStringLiteral("finished"));
    EXPECT_EQ(mailbox.log->steps().count(QStringLiteral("connect pop.example.jp")), 2);
}

// A window thread busy while many mails arrive hears of the latest only,
// once, and still before the end.
TEST_F(MailCheckThreadTest, aBurstOfMailsReachesABusyWindowThreadAsTheLatestOnly) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")), mail(QStringLiteral("三"))};
    const auto thread = checker();
    ASSERT_TRUE(thread->start(paths, firstAccount(), mailboxes()));
    const QDeadlineTimer patience(10000);
    while (!mailbox.log->steps().contains(QStringLiteral("close")) && !patience.hasExpired())
        QThread::yieldCurrentThread(); // no events handled meanwhile
    waitForTheEnd(*thread);
    EXPECT_EQ(reports.filter(QStringLiteral("received ")), QStringList{QStringLiteral("received 三")});
    EXPECT_EQ(reports.last(2), (QStringList{QStringLiteral("new mail"), QStringLiteral("finished")}));
}

// Nothing waits for the user mid-session: the session is closed by the time
// its errors reach the window thread.
TEST_F(MailCheckThreadTest, errorsArriveWithTheOutcomeOnceTheSessionHasClosed) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("大"))};
    mailbox.tooLarge = {2};
    const auto thread = checker();
    ASSERT_TRUE(thread->start(paths, firstAccount(), mailboxes()));
    waitForTheEnd(*thread);
    ASSERT_TRUE(outcome.has_value());
    EXPECT_EQ(kindsOf(outcome->errors), QList<Error::Kind>{Error::Kind::TooLarge});
    ASSERT_FALSE(stepsAtTheEnd.isEmpty());
    EXPECT_EQ(stepsAtTheEnd.last(), QStringLiteral("close"));
}

TEST_F(MailCheckThreadTest, goingAwayStopsTheCheckAfterTheMessageInHandAndDeletesWhatItStored) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")), mail(QStringLiteral("三"))};
    auto thread = checker();
    ASSERT_TRUE(thread->start(paths, firstAccount(), [fake = mailbox](const AccountProfile&) {
        return std::make_unique<HeldUntilStopped>(fake);
    }));
    const QDeadlineTimer patience(10000);
    while (!mailbox.log->steps().contains(QStringLiteral("fetch 1")) && !patience.hasExpired())
        QThread::yieldCurrentThread();
    thread.reset(); // the window thread never got to hear of the end
    const QStringList steps = mailbox.log->steps();
    EXPECT_FALSE(steps.contains(QStringLiteral("fetch 2"))) << steps.join(u',').toStdString();
    EXPECT_TRUE(steps.contains(QStringLiteral("delete 1"))) << "the stored message leaves the server";
    EXPECT_EQ(steps.last(), QStringLiteral("close"));
    EXPECT_FALSE(outcome.has_value());
}
