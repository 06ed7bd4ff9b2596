// The receive label's count beside the status box, and the errors of a
// check shown once it has ended, with a scripted mailbox.
#include <QLabel>
#include <QLineEdit>
#include <QSemaphore>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/receiveaction.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "tests/support/appfolder.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"

namespace {

// Holds the check at its first deletion, when every message has been counted
// and stored, until the test opens the gate (or ten seconds later, so that a
// stuck check fails the test instead of hanging it).
class HeldAtDeletion : public FakeMailbox {
  public:
    explicit HeldAtDeletion(std::shared_ptr<QSemaphore> gate) : gate_(std::move(gate)) {}
    Status remove(int n) override {
        if (n == 1)
            gate_->tryAcquire(1, 10000);
        return FakeMailbox::remove(n);
    }

  private:
    std::shared_ptr<QSemaphore> gate_;
};

class ReceiveProgressTest : public testing::Test, protected AppFolder {
  protected:
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;
    std::shared_ptr<QSemaphore> gate = std::make_shared<QSemaphore>();
    std::unique_ptr<ReceiveAction> receive;

    void SetUp() override {
        context.settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n");
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        form->show();
        windows->openHistory(HistoryMode::Received); // shows each message as it is stored
    }
    void TearDown() override {
        gate->release();
        receive.reset();
    }

    // Starts a check of `count` messages and waits until the last is shown stored.
    void holdCheckOf(int count) {
        receive = std::make_unique<ReceiveAction>(
            context, *windows, *form, [this, count](const ConnectionQuestion&, const AccountProfile&) {
                auto mailbox = std::make_unique<HeldAtDeletion>(gate);
                for (int i = 1; i <= count; ++i)
                    mailbox->messages << mail(QStringLiteral("m%1").arg(i));
                return mailbox;
            });
        receive->run();
        const QString last = QStringLiteral("m%1").arg(count);
        ASSERT_TRUE(QTest::qWaitFor([&] { return windows->historyWindow()->Text7->text() == last; }, 10000));
    }
};

} // namespace

TEST_F(ReceiveProgressTest, aLongCheckCountsBesideTheStatusBoxAndEndsWithTheStatusAlone) {
    holdCheckOf(8);
    EXPECT_EQ(form->ProgressLabel->text(), QStringLiteral("8 / 8"));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("メールのチェックをしています。"));
    EXPECT_TRUE(form->ProgressLabel->isVisible());
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
    EXPECT_TRUE(form->ProgressLabel->text().isEmpty());
}

TEST_F(ReceiveProgressTest, aCheckOfFiveMessagesShowsNoCount) {
    holdCheckOf(5);
    EXPECT_TRUE(form->ProgressLabel->text().isEmpty());
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
}

// The main window counts the mail stored as unread until the history shows it.
TEST_F(ReceiveProgressTest, theMainWindowCountsUnreadMailUntilTheHistoryShowsIt) {
    EXPECT_TRUE(form->UnreadLabel->text().isEmpty());
    holdCheckOf(3);
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
    EXPECT_EQ(form->UnreadLabel->text(), QStringLiteral("未読メール 3 件"));
    windows->openHistory(HistoryMode::Received);
    TyakuForm* history = windows->historyWindow();
    history->MailListView->setCurrentIndex(history->MailListView->model()->index(1, 0));
    history->MailListView_Click();
    EXPECT_EQ(form->UnreadLabel->text(), QStringLiteral("未読メール 2 件"));
    AppWindows restartedWindows(context);
    EXPECT_EQ(MainForm(context, restartedWindows).UnreadLabel->text(), QStringLiteral("未読メール 2 件"))
        << "a restart counts them again";
    history->MarkAllRead_Click();
    EXPECT_TRUE(form->UnreadLabel->text().isEmpty());
}

// Several accounts: the status names those being checked, then says how the whole check ended.
TEST_F(ReceiveProgressTest, theStatusNamesTheAccountsBeingChecked) {
    ASSERT_TRUE(context.accounts().nameFirst(QStringLiteral("会社")).ok());
    AccountProfile home;
    home.displayName = QStringLiteral("自宅");
    home.pop3Server = QStringLiteral("pop.home.example");
    home.loginId = QStringLiteral("hanako");
    home.password = QStringLiteral("pw");
    ASSERT_TRUE(context.accounts().add(home).ok());
    receive = std::make_unique<ReceiveAction>(
        context, *windows, *form, [this](const ConnectionQuestion&, const AccountProfile& account) {
            auto mailbox = std::make_unique<HeldAtDeletion>(gate);
            mailbox->messages << mail(account.loginId);
            return mailbox;
        });
    receive->run();
    // Both wait at their deletion, side by side.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return form->Text1->text() == QStringLiteral("「会社」「自宅」のメールをチェックしています。");
        },
        10000))
        << form->Text1->text().toStdString();
    gate->release(2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
}

// Unpacking's note under the program's name, what failed under "エラー",
// in the order it happened.
TEST_F(ReceiveProgressTest, whatWentWrongIsShownInOrderOnceTheCheckHasEnded) {
    receive = std::make_unique<ReceiveAction>(
        context, *windows, *form, [](const ConnectionQuestion&, const AccountProfile&) {
            auto mailbox = std::make_unique<FakeMailbox>();
            ReceivedMessage page = mail(QStringLiteral("../x")); // names no folder
            page.body = HtmlMailMarker;
            mailbox->messages = {page, mail(QStringLiteral("big"))};
            mailbox->tooLarge = {2};
            return mailbox;
        });
    receive->run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive->isRunning(); }, 10000));
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("フォルダを作成できませんでした\n件名: ../x\n差出人: a@example.jp"));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("Fennick"));
    EXPECT_EQ(
        prompter.shown[1].text,
        QStringLiteral("メッセージ 2 は大きすぎるため受信できません（6 バイト）。サーバーに残します。"));
    EXPECT_EQ(prompter.shown[1].title, QStringLiteral("エラー"));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
}

TEST_F(ReceiveProgressTest, aLongCountShrinksToFitBesideTheStatusBox) {
    form->showProgress(1234, 32767);
    const QLabel* label = form->ProgressLabel;
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("1234")) &&
                label->text().endsWith(QStringLiteral("32767")));
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
    form->showProgress(12, 20);
    EXPECT_EQ(label->text(), QStringLiteral("12 / 20"));
}
