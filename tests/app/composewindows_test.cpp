// The compose and HTML help windows as the main window opens them, and the
// reply window as the history window opens it.
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "compose/backform.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "search/mailaccounts.h"
#include "search/mailfacts.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"

namespace {

class ComposeWindows : public testing::Test, protected AppFolder {};

} // namespace

TEST_F(ComposeWindows, newMailLabelOpensOneComposeWindowWhoseHelpPreparesTheSupportMail) {
    AppWindows windows(context);
    MainForm form(context, windows);

    EXPECT_EQ(windows.composeWindow(), nullptr) << "created on first use";
    form.Label1_Click();
    WriteForm* compose = windows.composeWindow();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_EQ(compose->windowTitle(), QStringLiteral("新規作成"));
    compose->ToText->setText(QStringLiteral("kept@x.jp"));
    form.Label1_Click();
    EXPECT_EQ(windows.composeWindow(), compose) << "opened again, it is only brought forward";
    EXPECT_EQ(compose->ToText->text(), QStringLiteral("kept@x.jp"));

    compose->Command2->click();
    HTForm* help = windows.htmlHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(compose->isVisible()) << "help does not block or replace the compose window";
    compose->Command2->click();
    EXPECT_EQ(windows.htmlHelpWindow(), help);

    // With the compose window closed, the support button opens a new one.
    compose->Command3->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.composeWindow(), nullptr);
    help->Command1->click();
    ASSERT_NE(windows.composeWindow(), nullptr);
    EXPECT_TRUE(windows.composeWindow()->isVisible());
    EXPECT_EQ(windows.composeWindow()->ToText->text(),
              QStringLiteral("Fennick サポート <support@fennick.example>"));
    EXPECT_EQ(windows.composeWindow()->SubjectText->text(), QStringLiteral("使用方法での質問です。"));
}

namespace {

void clickRow(TyakuForm* history, int row) {
    const QModelIndex index = history->MailListView->model()->index(row, 0);
    history->MailListView->setCurrentIndex(index);
    QTest::mouseClick(history->MailListView->viewport(), Qt::LeftButton, {},
                      history->MailListView->visualRect(index).center());
}

} // namespace

// A mail, the answer to it coming back, and an HTML mail, each answered in turn.
TEST_F(ComposeWindows, replyButtonFillsOneReplyWindowFromTheMailOnScreen) {
    context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH);
    const MailFile received = MailFile::received(context.paths);
    const QString date = QStringLiteral("2026/12/07  9:00:00");
    ASSERT_TRUE(
        received
            .append({QStringLiteral("  Meeting "), date, QStringLiteral("○TEXT形式"),
                     QStringLiteral(" yamada@x.jp "), QStringLiteral("  水曜日でいかがでしょうか。  "), 1})
            .ok());
    ASSERT_TRUE(received
                    .append({QStringLiteral("Re:  Meeting"), date, QStringLiteral("○TEXT形式"),
                             QStringLiteral("yamada@x.jp"), QStringLiteral("承知しました。"), 1})
                    .ok());
    ASSERT_TRUE(QDir().mkpath(app.file(QStringLiteral("Garden"))));
    WriteBytes(app.file(QStringLiteral("Garden/index.htm")), "<html><body>garden</body></html>");
    ASSERT_TRUE(received
                    .append({QStringLiteral("Garden"), date, QStringLiteral("●HTML形式"),
                             QStringLiteral("sato@x.jp"), HtmlMailMarker, 1})
                    .ok());
    // The second mail came to a further account, the third to one since removed, the first from before there
    // were accounts.
    AccountProfile work;
    work.displayName = QStringLiteral("仕事");
    work.address = QStringLiteral("taro@work.jp");
    const Result<AccountProfile> added = context.accounts().add(work);
    ASSERT_TRUE(added.ok());
    Result<MailFacts> facts = MailFacts::open(context.paths.receivedMailFile());
    ASSERT_TRUE(facts.ok());
    MailFacts cameTo = std::move(facts).value();
    ASSERT_TRUE(cameTo.set({2}, MailAccounts::kFact, added->key.toUtf8()).ok());
    ASSERT_TRUE(cameTo.set({3}, MailAccounts::kFact, "0badcafe").ok()); // an account since removed
    AppWindows windows(context);
    windows.openHistory(HistoryMode::Received);
    TyakuForm* history = windows.historyWindow();
    ASSERT_NE(history, nullptr);

    clickRow(history, 0);
    history->Command5->click();
    BackForm* reply = windows.replyWindow();
    ASSERT_NE(reply, nullptr) << "created on first use";
    EXPECT_TRUE(reply->isVisible());
    EXPECT_TRUE(history->isVisible()) << "the reply window does not replace the history window";
    EXPECT_EQ(reply->windowTitle(), QStringLiteral("返事を出す"));
    EXPECT_EQ(reply->SubjectText->text(), QStringLiteral("Re:  Meeting"));
    EXPECT_EQ(reply->ToText->text(), QStringLiteral("yamada@x.jp"));
    EXPECT_EQ(reply->BodyText->toPlainText(), QStringLiteral("水曜日でいかがでしょうか。"));
    EXPECT_EQ(reply->FromCombo->currentIndex(), 0) << "answered from the first account";

    clickRow(history, 1);
    history->Command5->click();
    EXPECT_EQ(windows.replyWindow(), reply) << "a second reply fills the same window";
    EXPECT_EQ(reply->SubjectText->text(), QStringLiteral("Re:  Re:  Meeting"));
    EXPECT_EQ(reply->BodyText->toPlainText(), QStringLiteral("承知しました。"));
    EXPECT_EQ(reply->FromCombo->currentIndex(), 1) << "answered from the account it came to";

    clickRow(history, 2);
    history->Command5->click();
    EXPECT_EQ(reply->SubjectText->text(), QStringLiteral("Re:  Garden"));
    EXPECT_EQ(reply->ToText->text(), QStringLiteral("sato@x.jp"));
    EXPECT_TRUE(reply->BodyText->toPlainText().isEmpty()) << "an HTML mail is answered with an empty body";
    EXPECT_EQ(reply->FromCombo->currentIndex(), 0) << "the account it came to is gone: the first answers";
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.value(0).text.toStdString();

    reply->Command3->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.replyWindow(), nullptr);
    history->Command5->click();
    EXPECT_EQ(windows.replyWindow(), nullptr) << "the reply used up the click";
    EXPECT_EQ(prompter.shown.value(0).text, QStringLiteral("データが選択されていません"));
}
