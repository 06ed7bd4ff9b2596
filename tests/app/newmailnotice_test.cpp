// The notice after a check that stored mail, through the desktop's
// notification service played by the test on a session bus of its own: what
// it says, when there is none, and where its click leads.
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/desktopnotices.h"
#include "app/mainform.h"
#include "app/newmailnotice.h"
#include "app/receiveaction.h"
#include "history/tyakuform.h"
#include "tests/support/appfolder.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/scriptednotifications.h"

namespace {

QList<ReceivedMessage> mails(int count) {
    QList<ReceivedMessage> list;
    for (int i = 1; i <= count; ++i)
        list << mail(QStringLiteral("m%1").arg(i));
    return list;
}

class NewMailNoticeTest : public testing::Test, protected AppFolder {
  protected:
    PrivateSessionBus bus;
    ScriptedNotifications service;
    std::unique_ptr<DesktopNotices> notices;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;
    std::unique_ptr<NewMailNotice> newMail;
    std::unique_ptr<ReceiveAction> receive;
    QList<ReceivedMessage> waiting; // on the server at the next check

    void SetUp() override {
        ASSERT_TRUE(bus.running()) << "dbus-daemon did not start";
        ASSERT_TRUE(service.serveOn(bus.connect(QStringLiteral("service"))));
        notices =
            std::make_unique<DesktopNotices>(bus.connect(QStringLiteral("client")), QStringLiteral("開く"));
        context.settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n");
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        form->show();
        newMail = std::make_unique<NewMailNotice>(context, *windows, *notices);
        receive = std::make_unique<ReceiveAction>(context, *windows, *form,
                                                  [this](const ConnectionQuestion&, const AccountProfile&) {
                                                      auto mailbox = std::make_unique<FakeMailbox>();
                                                      mailbox->messages = std::exchange(waiting, {});
                                                      return mailbox;
                                                  });
        receive->onEnded = [this](const ReceiveAction::Ended& ended) { newMail->checkEnded(ended); };
    }
    void TearDown() override {
        receive.reset();
        windows.reset();
    }

    // A check of what waits, then a call behind any notice it asked for on
    // the same connection: once that is answered, the service has seen them all.
    void check(QList<ReceivedMessage> messages) {
        waiting = std::move(messages);
        ASSERT_TRUE(receive->run());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
        const QDBusMessage ping = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("GetCapabilities"));
        QDBusPendingCallWatcher answered(bus.connect(QStringLiteral("client")).asyncCall(ping));
        ASSERT_TRUE(QTest::qWaitFor([&] { return answered.isFinished(); }, 10000));
    }
};

} // namespace

TEST_F(NewMailNoticeTest,
       aCheckThatStoredMailSendsOneNoticeNamingTheNewestThreeAndOneThatStoredNoneSendsNone) {
    check(mails(4));
    ASSERT_EQ(service.shown.size(), 1);
    const ScriptedNotifications::Shown& shown = service.shown.first();
    EXPECT_EQ(shown.appName, QStringLiteral("Fennick"));
    EXPECT_EQ(shown.summary, QStringLiteral("新着メールが 4 通あります"));
    EXPECT_EQ(shown.body, QStringLiteral("a@example.jp：m4\na@example.jp：m3\na@example.jp：m2\nほか 1 通"));
    EXPECT_EQ(shown.actions, (QStringList{QStringLiteral("default"), QStringLiteral("開く")}));
    check({});
    EXPECT_EQ(service.shown.size(), 1) << "a check that stored nothing";
}

TEST_F(NewMailNoticeTest, noNoticeWhileTheHistoryIsWatched) {
    windows->openHistory(HistoryMode::Received);
    ASSERT_TRUE(QTest::qWaitForWindowActive(windows->historyWindow()));
    check(mails(2));
    EXPECT_TRUE(service.shown.isEmpty()) << "the history window is active";
}

TEST_F(NewMailNoticeTest, aClickOpensTheReceivedHistoryAtTheNewestMail) {
    check(mails(2));
    check(mails(3));
    ASSERT_EQ(service.shown.size(), 2);
    service.click(service.shown.last().id);
    ASSERT_TRUE(QTest::qWaitFor([&] { return windows->historyWindow() != nullptr; }, 10000));
    TyakuForm* history = windows->historyWindow();
    EXPECT_EQ(history->historyMode(), HistoryMode::Received);
    EXPECT_EQ(history->MailListView->currentIndex().row(), 4) << "the fifth mail stored";
    EXPECT_EQ(history->Text7->text(), QStringLiteral("m3"));
}

TEST_F(NewMailNoticeTest, withoutANotificationServiceTheCheckStillEnds) {
    PrivateSessionBus empty;
    ASSERT_TRUE(empty.running());
    DesktopNotices nowhere(empty.connect(QStringLiteral("nobody")), QStringLiteral("開く"));
    NewMailNotice unseen(context, *windows, nowhere);
    receive->onEnded = [&](const ReceiveAction::Ended& ended) { unseen.checkEnded(ended); };
    check(mails(1));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
    EXPECT_TRUE(service.shown.isEmpty());
}
