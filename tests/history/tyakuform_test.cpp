#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "ui/appcontext.h"
#include "ui/twips.h"

namespace {

MailRecord record(const QString& subject, const QString& kind = MailRecord::kTextKind,
                  const QString& body = QStringLiteral("本文")) {
    return {subject, QStringLiteral("2026/12/07  9:00:00"), kind, QStringLiteral("from@") + subject, body, 1};
}

class TyakuFormTest : public testing::Test {
  protected:
    TempFolder app;
    ScriptedPrompter prompter;
    AppContext context{AppPaths(app.path()), app.path()};
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override {
        context.prompter = &prompter;
        ASSERT_TRUE(context.paths.ensureLayout().ok());
    }
    void add(HistoryMode mode, const MailRecord& r) {
        ASSERT_TRUE(HistorySetup::fileOf(mode, context.paths).append(r).ok());
    }
    void open(HistoryMode mode) {
        if (!form)
            form = std::make_unique<TyakuForm>(context, editor);
        form->OpenHistory(mode);
    }
    void clickRow(int row) {
        const QModelIndex index = form->MailListView->model()->index(row, 0);
        form->MailListView->setCurrentIndex(index);
        const QRect r = form->MailListView->visualRect(index);
        QTest::mouseClick(form->MailListView->viewport(), Qt::LeftButton, {}, r.center());
    }
    QString cell(int row, int column) {
        return form->MailListView->model()->index(row, column).data().toString();
    }
};

} // namespace

TEST_F(TyakuFormTest, emptyReceivedHistoryShowsNothingAndCountZero) {
    open(HistoryMode::Received);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴"));
    EXPECT_EQ(form->MailListView->model()->rowCount(), 0);
    EXPECT_EQ(form->Text2->text(), QStringLiteral("0"));
    EXPECT_TRUE(form->Text7->text().isEmpty());
    EXPECT_FALSE(form->Command6->isEnabled());
    EXPECT_FALSE(form->hasSelection());
    form->MailListView_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("選択するデータがありません。"));
    EXPECT_TRUE(form->hasSelection());
    form->Command3_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("データが選択されていません"))
        << "the click armed the button, which then finds no record";
    EXPECT_FALSE(form->hasSelection());
}

TEST_F(TyakuFormTest, threeRecordsGiveThreeRowsInOrderAndShowTheLast) {
    add(HistoryMode::Received, record(QStringLiteral("one")));
    add(HistoryMode::Received, record(QStringLiteral("two")));
    add(HistoryMode::Received, record(QStringLiteral("three   ")));
    open(HistoryMode::Received);
    ASSERT_EQ(form->MailListView->model()->rowCount(), 3);
    EXPECT_TRUE(cell(0, 0).startsWith(QStringLiteral("one")));
    EXPECT_TRUE(cell(2, 0).startsWith(QStringLiteral("three   ")));
    EXPECT_TRUE(cell(2, 1).startsWith(MailRecord::kTextKind));
    EXPECT_TRUE(cell(2, 2).startsWith(QStringLiteral("from@three")));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("3"));
    EXPECT_EQ(form->Text7->text(), QStringLiteral("three"));
    EXPECT_EQ(form->Text8->text(), QStringLiteral("from@three"));
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("本文"));
    const QStringList headers = {QStringLiteral("Subject"), QStringLiteral("HTML/TEXT"),
                                 QStringLiteral("From"), QStringLiteral("Date")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->MailListView->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
}

TEST_F(TyakuFormTest, clickingARowShowsThatRecord) {
    add(HistoryMode::Received,
        record(QStringLiteral("one"), MailRecord::kTextKind, QStringLiteral("  word  ")));
    add(HistoryMode::Received, record(QStringLiteral("two")));
    open(HistoryMode::Received);
    clickRow(0);
    EXPECT_EQ(form->Text7->text(), QStringLiteral("one"));
    EXPECT_EQ(form->Text10->text(), MailRecord::kTextKind);
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("word"));
    EXPECT_TRUE(form->hasSelection());
    EXPECT_EQ(form->rtfEd->y() - form->clientTop(), Twips::toPixels(form->listHeightTwips() + 1230));
    EXPECT_EQ(form->pageView(), nullptr) << "no page engine for a text mail";
}

TEST_F(TyakuFormTest, sentHtmlMailAndTheSentHistorysStates) {
    add(HistoryMode::Sent, record(QStringLiteral("page"), MailRecord::kHtmlKind, HtmlMailMarker));
    open(HistoryMode::Sent);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("送信履歴"));
    EXPECT_TRUE(form->Command6->isEnabled());
    EXPECT_FALSE(form->Check1->isEnabled());
    EXPECT_FALSE(form->Label1->isEnabled());
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("「HTML形式」で送信しました。"));
    EXPECT_TRUE(cell(0, 1).startsWith(QStringLiteral("●HTML形式")));
    open(HistoryMode::Received);
    EXPECT_FALSE(form->Check1->isEnabled()) << "the received history leaves the box as it is";
    EXPECT_FALSE(form->Command6->isEnabled());
}

TEST_F(TyakuFormTest, resizeFollowsTheLayoutRules) {
    open(HistoryMode::Received);
    form->resize(Twips::toPixels(12000), Twips::toPixels(9000));
    EXPECT_EQ(form->MailListView->size(), QSize(Twips::toPixels(11880), Twips::toPixels(2250)));
    EXPECT_EQ(form->Text7->y() - form->clientTop(), Twips::toPixels(3090)) << "below the menu bar";
    EXPECT_EQ(form->rtfEd->y() - form->clientTop(), Twips::toPixels(3450));
    EXPECT_EQ(form->rtfEd->height(), Twips::toPixels(4725));
    EXPECT_EQ(form->Text7->width(), Twips::toPixels(6000));
    EXPECT_EQ(form->Text8->width(), Twips::toPixels(3600));
    EXPECT_EQ(form->Text9->width(), Twips::toPixels(2400));
    EXPECT_EQ(form->Command2->y(), form->StatusBar1->y() + Twips::toPixels(80));
}

TEST_F(TyakuFormTest, deletingRowTwoOfThreeRebuildsFileAndList) {
    for (const char* s : {"one", "two", "three"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    open(HistoryMode::Received);
    clickRow(1);
    form->Command3_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Question);
    EXPECT_EQ(QFileInfo(context.paths.receivedMailFile()).size(), 2 * MailRecord::kSize);
    ASSERT_EQ(form->MailListView->model()->rowCount(), 2);
    EXPECT_TRUE(cell(1, 0).startsWith(QStringLiteral("three")));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("2"));
    form->Command3_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("データが選択されていません"));
}

TEST_F(TyakuFormTest, answeringNoLeavesTheFileUnchanged) {
    for (const char* s : {"one", "two"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    const QByteArray before = ReadBytes(context.paths.receivedMailFile());
    open(HistoryMode::Received);
    clickRow(0);
    prompter.answers = {Prompter::Answer::No};
    form->Command3_Click();
    EXPECT_EQ(ReadBytes(context.paths.receivedMailFile()), before);
    EXPECT_TRUE(form->rtfEd->toPlainText().isEmpty());
    form->Command3_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("データが選択されていません"))
        << "a No uses up the click";
}

TEST_F(TyakuFormTest, deleteAllEmptiesTheSentHistory) {
    for (int i = 0; i < 5; ++i)
        add(HistoryMode::Sent, record(QString::number(i)));
    open(HistoryMode::Sent);
    form->Command6_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("すべてのデータを削除して良いですか？"));
    EXPECT_EQ(QFileInfo(context.paths.sentMailFile()).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(context.paths.dataFolder() + QStringLiteral("/ORXDATA5.TMP")));
    EXPECT_EQ(form->MailListView->model()->rowCount(), 0);
    EXPECT_EQ(form->Text2->text(), QStringLiteral("0"));
}

TEST_F(TyakuFormTest, hoverHelpAndTheCopyField) {
    add(HistoryMode::Received, record(QStringLiteral("subject")));
    open(HistoryMode::Received);
    EXPECT_TRUE(form->Text4->isVisible());
    EXPECT_TRUE(form->Text4->toPlainText().isEmpty());
    QTest::mouseMove(form->Command3);
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(form->Command3, &enter);
    EXPECT_EQ(form->Text4->toPlainText(), TyakuForm::kHelpTexts[2]);
    QApplication::sendEvent(form->MailListView->viewport(), &enter);
    EXPECT_FALSE(form->Text4->isVisible());
    EXPECT_TRUE(form->Text4->toPlainText().isEmpty());
    QApplication::sendEvent(form->Text8, &enter);
    EXPECT_EQ(form->Text6->text(), QStringLiteral("from@subject"));
    form->Command2_Click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("from@subject"));
}

TEST_F(TyakuFormTest, clickBelowTheRowsWithNothingSelectedDoesNothing) {
    add(HistoryMode::Received, record(QStringLiteral("one")));
    open(HistoryMode::Received);
    form->Text7->setText(QStringLiteral("kept"));
    QTest::mouseClick(form->MailListView->viewport(), Qt::LeftButton, {},
                      QPoint(5, form->MailListView->viewport()->height() - 3));
    EXPECT_EQ(form->Text7->text(), QStringLiteral("kept"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(TyakuFormTest, editorsCurrentFileIsLoadedAndTheChangedFlagCleared) {
    const QString file = app.file(QStringLiteral("memo.txt"));
    WriteBytes(file, QByteArray("\x83\x81\x83\x82")); // メモ
    editor.currentFileName = file;
    editor.changed = true;
    TyakuForm fresh(context, editor);
    EXPECT_EQ(fresh.rtfEd->toPlainText(), QStringLiteral("メモ"));
    EXPECT_FALSE(editor.changed);
}
