#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "pageview/pageviewplugin.h"
#include "search/unreadmarks.h"
#include "search/mailfacts.h"
#include "tests/support/appfolder.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"
#include "ui/twips.h"

namespace {

MailRecord record(const QString& subject, const QString& kind = MailRecord::kTextKind,
                  const QString& body = QStringLiteral("本文")) {
    return {subject, QStringLiteral("2026/12/07  9:00:00"), kind, QStringLiteral("from@") + subject, body, 1};
}

class TyakuFormTest : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override { context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH); }
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
    // Three received mails, those of `unread` marked so, the window opened on them.
    void openUnread(const QList<int>& unread) {
        form.reset();
        counted.clear();
        QFile::remove(context.paths.receivedMailFile());
        QFile::remove(MailFacts::pathFor(context.paths.receivedMailFile()));
        for (const char* s : {"one", "two", "three"})
            add(HistoryMode::Received, record(QString::fromLatin1(s)));
        ASSERT_TRUE(UnreadMarks::open(context.paths.receivedMailFile()).value().mark(unread, true).ok());
        open(HistoryMode::Received);
        form->onUnreadCount = [this](int n) { counted << n; };
    }
    // The rows drawn bold, from 0, each checked in every column.
    QList<int> boldRows() {
        QList<int> bold;
        const QAbstractItemModel* m = form->MailListView->model();
        for (int r = 0; r < m->rowCount(); ++r) {
            int columns = 0;
            for (int c = 0; c < 4; ++c)
                columns += m->index(r, c).data(Qt::FontRole).value<QFont>().bold();
            EXPECT_TRUE(columns == 0 || columns == 4) << "row " << r;
            if (columns == 4)
                bold << r;
        }
        return bold;
    }
    QSet<int> unreadOnDisk() {
        return UnreadMarks::open(context.paths.receivedMailFile()).value().rows().value();
    }
    QList<int> counted; // what the window told of the unread count
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

TEST_F(TyakuFormTest, resizeFollowsTheLayoutRulesOnTheOuterSize) {
    open(HistoryMode::Received);
    const QSize frame = form->frameGeometry().size() - form->size();
    ASSERT_FALSE(frame.isEmpty()) << "the platform gives the window a frame, so outer and inner differ";
    form->resize(QSize(Twips::toPixels(12000), Twips::toPixels(9000)) - frame);
    ASSERT_EQ(form->frameGeometry().size(), QSize(Twips::toPixels(12000), Twips::toPixels(9000)));
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

TEST_F(TyakuFormTest, pointingAtAFieldPutsItInTheCopyFieldThatTheCopyButtonCopies) {
    add(HistoryMode::Received, record(QStringLiteral("subject")));
    open(HistoryMode::Received);
    QEvent enter(QEvent::Enter);
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

namespace {

class MessageActionsTest : public TyakuFormTest {
  protected:
    QList<ReplyDraft> replies;
    QStringList registered;

    void open(HistoryMode mode) {
        TyakuFormTest::open(mode);
        form->onReply = [this](const ReplyDraft& d) { replies.append(d); };
        form->onRegisterSender = [this](const QString& party) { registered.append(party); };
    }
    // A received HTML mail whose folder holds its page.
    void addReceivedHtml(const QString& subject) {
        ASSERT_TRUE(QDir().mkpath(app.file(subject)));
        WriteBytes(app.file(subject + QStringLiteral("/index.htm")), "<html><body>page</body></html>");
        add(HistoryMode::Received, record(subject, MailRecord::kHtmlKind, HtmlMailMarker));
    }
    QWidget* pageArea() { return form->pageView() ? form->pageView()->widget() : nullptr; }
    QString quickSaved(const QString& name) { return app.file(QStringLiteral("■TextQuickSave/") + name); }
};

} // namespace

TEST_F(MessageActionsTest, eachActionNeedsAFreshClick) {
    add(HistoryMode::Received, record(QStringLiteral("Hello")));
    open(HistoryMode::Received);
    for (QPushButton* b : {form->Command1, form->Command4, form->Command5})
        QTest::mouseClick(b, Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 3);
    for (const ScriptedPrompter::Shown& s : prompter.shown) {
        EXPECT_EQ(s.text, QStringLiteral("データが選択されていません"));
        EXPECT_TRUE(s.title.isEmpty());
        EXPECT_EQ(s.buttons, Prompter::Buttons::Ok);
    }
    EXPECT_TRUE(replies.isEmpty());
    EXPECT_TRUE(registered.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(quickSaved(QStringLiteral("Hello.txt"))));

    clickRow(0);
    form->Command4_Click();
    EXPECT_EQ(registered, QStringList{QStringLiteral("from@Hello")});
    EXPECT_FALSE(form->hasSelection());
    form->Command5_Click();
    EXPECT_TRUE(replies.isEmpty()) << "the register action used up the click";
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("データが選択されていません"));
}

TEST_F(MessageActionsTest, quickSaveOfHelloWritesTheFileAndShowsTheSavedText) {
    add(HistoryMode::Received, record(QStringLiteral("Hello"), MailRecord::kTextKind, QStringLiteral("hi")));
    open(HistoryMode::Received);
    clickRow(0);
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(
        ReadBytes(quickSaved(QStringLiteral("Hello.txt"))),
        QByteArray("Subject:  Hello\r\nFrom:  from@Hello\r\nDate:  2026/12/07  9:00:00\r\nBody:  hi\r\n"));
    EXPECT_EQ(form->rtfEd->toPlainText(),
              QStringLiteral("Subject:  Hello\nFrom:  from@Hello\nDate:  2026/12/07  9:00:00\nBody:  hi"));
    EXPECT_FALSE(form->hasSelection());
    EXPECT_EQ(form->Text7->text(), QStringLiteral("Hello")) << "the fields keep the mail";
}

TEST_F(MessageActionsTest, quickSaveOfAnEmptySubjectWritesDotTxt) {
    add(HistoryMode::Received, record(QString()));
    open(HistoryMode::Received);
    clickRow(0);
    form->Command1_Click();
    EXPECT_TRUE(ReadBytes(quickSaved(QStringLiteral(".txt"))).startsWith("Subject:  \r\n"));
}

TEST_F(MessageActionsTest, quickSaveOverAnExistingFileAnsweredNoChangesNothing) {
    add(HistoryMode::Received, record(QStringLiteral("Hello")));
    WriteBytes(quickSaved(QStringLiteral("Hello.txt")), "old");
    open(HistoryMode::Received);
    clickRow(0);
    const QString shown = form->rtfEd->toPlainText();
    prompter.answers = {Prompter::Answer::No};
    form->Command1_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("同名のファイルが既に存在します。上書きしますか？ "));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Question);
    EXPECT_EQ(ReadBytes(quickSaved(QStringLiteral("Hello.txt"))), QByteArray("old"));
    EXPECT_EQ(form->rtfEd->toPlainText(), shown);
    EXPECT_FALSE(form->hasSelection());
}

TEST_F(MessageActionsTest, quickSaveOfAnHtmlMailInPageViewSavesTheFixedTextAndShowsIt) {
    addReceivedHtml(QStringLiteral("Garden"));
    open(HistoryMode::Received);
    clickRow(0);
    ASSERT_NE(pageArea(), nullptr);
    EXPECT_TRUE(pageArea()->isVisible());
    form->Command1_Click();
    const QByteArray bytes = ReadBytes(quickSaved(QStringLiteral("Garden.txt")));
    EXPECT_TRUE(bytes.endsWith(
        "\r\nBody:  " + ShiftJis::encode(QStringLiteral("HTMLファイルの受信でした。")) + "\r\n"));
    EXPECT_FALSE(pageArea()->isVisible()) << "the saved text is what is shown";
    EXPECT_GE(form->rtfEd->y(), 0);
}

TEST_F(MessageActionsTest, quickSaveOfAHostileSubjectSaysSoAndWritesNothing) {
    add(HistoryMode::Received, record(QStringLiteral("../../escape")));
    open(HistoryMode::Received);
    clickRow(0);
    form->Command1_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("件名に「/」が含まれているため、ファイル名にできません。保存しませんでした。"));
    EXPECT_FALSE(QFileInfo::exists(app.file(QStringLiteral("escape.txt"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(app.path()).absoluteFilePath(QStringLiteral("../escape.txt"))));
    EXPECT_TRUE(QDir(app.file(QStringLiteral("■TextQuickSave"))).isEmpty());
}

TEST_F(MessageActionsTest, replyFillsTheDraftFromTheShownMail) {
    add(HistoryMode::Received,
        record(QStringLiteral("Meeting"), MailRecord::kTextKind, QStringLiteral("  body  ")));
    addReceivedHtml(QStringLiteral("page"));
    open(HistoryMode::Received);
    clickRow(0);
    form->Text7->setText(QStringLiteral("  Re:  Meeting  "));
    QTest::mouseClick(form->Command5, Qt::LeftButton);
    ASSERT_EQ(replies.size(), 1);
    EXPECT_EQ(replies[0].subject, QStringLiteral("Re:  Re:  Meeting"));
    EXPECT_EQ(replies[0].to, QStringLiteral("from@Meeting"));
    EXPECT_EQ(replies[0].body, QStringLiteral("body"));
    clickRow(1);
    form->Command5_Click();
    ASSERT_EQ(replies.size(), 2);
    EXPECT_EQ(replies[1].subject, QStringLiteral("Re:  page"));
    EXPECT_TRUE(replies[1].body.isEmpty()) << "an HTML mail is answered with an empty body";
}

TEST_F(MessageActionsTest, keyboardMovesShowTheMailThatTheButtonsThenActOn) {
    for (const char* s : {"one", "two", "three"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    open(HistoryMode::Received);
    clickRow(0);
    form->MailListView->setFocus();
    QTest::keyClick(form->MailListView, Qt::Key_Down);
    EXPECT_EQ(form->Text7->text(), QStringLiteral("two"));
    form->Command3_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    ASSERT_EQ(form->MailListView->model()->rowCount(), 2);
    EXPECT_TRUE(cell(0, 0).startsWith(QStringLiteral("one")));
    EXPECT_TRUE(cell(1, 0).startsWith(QStringLiteral("three"))) << "the mail on screen was deleted";
}

TEST_F(MessageActionsTest, aTextShownAfterAPageIsNeverBehindIt) {
    addReceivedHtml(QStringLiteral("Garden"));
    add(HistoryMode::Received, record(QStringLiteral("plain")));
    add(HistoryMode::Sent, record(QStringLiteral("sent one")));
    open(HistoryMode::Received);
    clickRow(0);
    ASSERT_NE(pageArea(), nullptr);
    EXPECT_TRUE(pageArea()->isVisible());
    EXPECT_LT(form->rtfEd->y(), 0);
    QWidget* top = form->childAt(form->Text4->geometry().center());
    EXPECT_TRUE(top == form->Text4 || form->Text4->isAncestorOf(top)) << "the help box lies above the page";

    clickRow(1);
    EXPECT_FALSE(pageArea()->isVisible());
    EXPECT_EQ(form->rtfEd->y() - form->clientTop(), Twips::toPixels(form->listHeightTwips() + 1230));

    clickRow(0);
    ASSERT_TRUE(pageArea()->isVisible());
    open(HistoryMode::Sent);
    EXPECT_FALSE(pageArea()->isVisible());
    EXPECT_GE(form->rtfEd->y(), 0);
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("本文"));
}

TEST_F(MessageActionsTest, theHtmlMarkerInText10IsSelectedForTheSentDisplayAndTheDeletionQuestion) {
    add(HistoryMode::Sent, record(QStringLiteral("page"), MailRecord::kHtmlKind, HtmlMailMarker));
    open(HistoryMode::Sent);
    clickRow(0);
    EXPECT_EQ(form->Text10->selectedText(), QStringLiteral("●HTML形"));
    EXPECT_EQ(form->Text10->selectionStart(), 0);

    addReceivedHtml(QStringLiteral("Garden"));
    open(HistoryMode::Received);
    clickRow(0);
    form->Text10->deselect();
    prompter.answers = {Prompter::Answer::No};
    form->Command3_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.startsWith(QStringLiteral("「HTMLデータ」です。")));
    EXPECT_EQ(form->Text10->selectedText(), QStringLiteral("●HTML形"));
}

TEST_F(MessageActionsTest, backgroundMovesPutTheCopyControlsBackOnTheStatusBar) {
    open(HistoryMode::Received);
    form->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->isMaximized(); }));
    const int H = Twips::fromPixels(form->frameGeometry().height());
    EXPECT_EQ(form->Command2->y() - form->clientTop(), Twips::toPixels(H - 700));
    EXPECT_EQ(form->Text6->y() - form->clientTop(), Twips::toPixels(H - 700));
    QTest::mouseMove(form.get(), QPoint(form->width() - 3, form->Text2->y() + 2));
    EXPECT_EQ(form->Command2->y(), form->StatusBar1->y() + Twips::toPixels(80));
    EXPECT_EQ(form->Text6->y(), form->StatusBar1->y() + Twips::toPixels(80));
    EXPECT_EQ(form->Command2->x(), form->StatusBar1->x() + Twips::toPixels(1880));
    EXPECT_EQ(form->Text6->x(), form->Command1->x() + Twips::toPixels(1280));
}

TEST_F(TyakuFormTest, unreadMailIsBoldAndCountedInTheTitleUntilItIsShown) {
    const struct {
        const char* name;
        std::function<void()> show; // shows the mail of row 0
    } rows[] = {
        {"clicked", [this] { clickRow(0); }},
        {"reached-with-the-keyboard",
         [this] {
             form->MailListView->setCurrentIndex(form->MailListView->model()->index(1, 0));
             QTest::keyClick(form->MailListView, Qt::Key_Up);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openUnread({1, 3});
        EXPECT_EQ(boldRows(), (QList<int>{0, 2}));
        EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴（未読 2 件）"));
        row.show();
        EXPECT_EQ(form->Text7->text(), QStringLiteral("one"));
        EXPECT_EQ(boldRows(), QList<int>{2});
        EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴（未読 1 件）"));
        EXPECT_EQ(counted, QList<int>{1});
        form.reset(); // a restart finds the marks as they were left
        open(HistoryMode::Received);
        EXPECT_EQ(boldRows(), QList<int>{2});
        open(HistoryMode::Sent);
        EXPECT_EQ(form->windowTitle(), QStringLiteral("送信履歴")) << "only received mail is counted";
    }
}

TEST_F(TyakuFormTest, listMenuMarksTheSelectedRowsOrEveryRow) {
    const struct {
        const char* name;
        QList<int> unreadBefore;
        QList<int> selected; // rows, from 0
        const char* action;
        QList<int> boldAfter;
        const char* titleAfter;
    } rows[] = {
        {"two-selected-rows-read", {1, 2, 3}, {0, 2}, "mread", {1}, "着信履歴（未読 1 件）"},
        {"a-read-row-unread-again", {}, {1}, "munread", {1}, "着信履歴（未読 1 件）"},
        {"everything-read", {1, 3}, {}, "mallread", {}, "着信履歴"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        openUnread(row.unreadBefore);
        QItemSelectionModel* selection = form->MailListView->selectionModel();
        for (int r : row.selected)
            selection->select(form->MailListView->model()->index(r, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        Q_EMIT form->MailListView->customContextMenuRequested(QPoint(5, 5));
        QMenu* menu = form->listMenu();
        EXPECT_TRUE(menu->isVisible());
        EXPECT_EQ(menu->findChild<QAction*>(QStringLiteral("mread"))->isEnabled(), !row.selected.isEmpty());
        QAction* action = menu->findChild<QAction*>(QString::fromLatin1(row.action));
        EXPECT_TRUE(action->isEnabled());
        action->trigger();
        menu->close();
        EXPECT_EQ(boldRows(), row.boldAfter);
        EXPECT_EQ(form->windowTitle(), QString::fromUtf8(row.titleAfter));
        QSet<int> expected;
        for (int r : row.boldAfter)
            expected.insert(r + 1);
        EXPECT_EQ(unreadOnDisk(), expected);
    }
    open(HistoryMode::Sent);
    Q_EMIT form->MailListView->customContextMenuRequested(QPoint(5, 5));
    EXPECT_FALSE(form->listMenu()->isVisible()) << "sent mail has no marks";
}

TEST_F(TyakuFormTest, theSendersVerdictShowsAsAMarkAndABandAboveTheMail) {
    for (const char* subject : {"fail", "pass", "none"})
        add(HistoryMode::Received, record(QString::fromLatin1(subject)));
    {
        MailFacts facts = MailFacts::open(context.paths.receivedMailFile()).value();
        ASSERT_TRUE(
            facts.set({1}, QStringLiteral("verdict"), "v1;p;spf=fail;dkim=none;d=;dmarc=fail;f=bank.example")
                .ok());
        ASSERT_TRUE(facts
                        .set({2}, QStringLiteral("verdict"),
                             "v1;p;spf=pass;dkim=pass;d=shop.example;dmarc=pass;f=shop.example")
                        .ok());
    }
    open(HistoryMode::Received);
    const auto mark = [this](int row, int role) {
        return form->MailListView->model()->index(row, 2).data(role);
    };
    EXPECT_EQ(mark(0, Qt::DecorationRole).value<QColor>(), QColor(210, 0, 0));
    EXPECT_EQ(mark(1, Qt::ToolTipRole).toString(), QStringLiteral("✓ 差出人は認証されています"));
    EXPECT_FALSE(mark(2, Qt::DecorationRole).isValid());
    form->show();
    clickRow(0);
    EXPECT_TRUE(form->VerdictBand->isVisible());
    EXPECT_EQ(
        form->VerdictBand->text(),
        QStringLiteral(
            "差出人のドメイン bank.example の認証に失敗しました。本物の送信者ではない可能性があります。"));
    EXPECT_TRUE(form->VerdictBand->styleSheet().contains(QStringLiteral("#c00000")));
    EXPECT_EQ(form->rtfEd->y(), form->VerdictBand->geometry().bottom() + 1)
        << "the band hides no line of the mail";
    clickRow(1);
    EXPECT_EQ(form->VerdictBand->text(),
              QStringLiteral("差出人のドメイン shop.example は認証されています。"));
    EXPECT_FALSE(form->VerdictBand->styleSheet().contains(QStringLiteral("#c00000")));
    clickRow(2);
    EXPECT_FALSE(form->VerdictBand->isVisible());
}

TEST_F(TyakuFormTest, aReplyToASuspiciousSenderCarriesTheWarning) {
    for (const char* subject : {"forged", "fine"})
        add(HistoryMode::Received, record(QString::fromLatin1(subject)));
    ASSERT_TRUE(
        MailFacts::open(context.paths.receivedMailFile())
            .value()
            .set({1}, QStringLiteral("verdict"), "v1;p;spf=none;dkim=none;d=;dmarc=fail;f=bank.example")
            .ok());
    open(HistoryMode::Received);
    QList<ReplyDraft> drafts;
    form->onReply = [&](const ReplyDraft& d) { drafts << d; };
    for (int row : {0, 1}) {
        clickRow(row);
        form->Command5_Click();
    }
    ASSERT_EQ(drafts.size(), 2);
    EXPECT_EQ(
        drafts[0].warning,
        QStringLiteral(
            "差出人のドメイン bank.example の認証に失敗しました。本物の送信者ではない可能性があります。"));
    EXPECT_TRUE(drafts[1].warning.isEmpty());
}
