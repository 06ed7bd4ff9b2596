#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QSettings>
#include <QTextEdit>
#include <QToolBar>
#include <gtest/gtest.h>

#include "history/editormenus.h"
#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "tests/support/appfolder.h"
#include "tests/support/pdftext.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

class EditorMenusTest : public testing::Test, protected AppFolder {
  protected:
    TempFolder config;
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override {
        // Closing the window writes the settings store: into this folder, not the user's.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
        form = std::make_unique<TyakuForm>(context, editor);
        form->show();
    }
    // Drives the menus and the toolbar as the user does: by the item's name.
    void choose(const char* name) {
        QAction* item = form->findChild<QAction*>(QString::fromLatin1(name));
        ASSERT_NE(item, nullptr) << name;
        item->trigger();
    }
    void setText(const QString& text) { form->rtfEd->setPlainText(text); }
    QTextCursor cursor() const { return form->rtfEd->textCursor(); }
    QString savedText(const QString& path) { return ShiftJis::decode(ReadBytes(path)); }
};

QStringList names(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions)
        out << a->objectName();
    return out;
}

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions)
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

TEST_F(EditorMenusTest, menusAndToolbarAsDesigned) {
    QMenu* file = form->findChild<QMenu*>(QStringLiteral("mFile"));
    QMenu* edit = form->findChild<QMenu*>(QStringLiteral("medit"));
    ASSERT_TRUE(file && edit);
    // The design's two menus first; the history search's menu follows them.
    EXPECT_EQ(form->editorMenus()->menuBar()->actions().mid(0, 2),
              (QList<QAction*>{file->menuAction(), edit->menuAction()}));
    EXPECT_EQ(file->title(), QStringLiteral("ファイル(&F)"));
    EXPECT_EQ(edit->title(), QStringLiteral("編集(&E)"));
    // The design's items keep their order; export and import sit before the last separator.
    QList<QAction*> designed = file->actions();
    designed.removeIf([](const QAction* a) { return a->objectName().isEmpty() || a->menu(); });
    EXPECT_EQ(names(designed),
              (QStringList{QStringLiteral("mnew"), QStringLiteral("mopen"), QStringLiteral("msave"),
                           QStringLiteral("mprint"), QStringLiteral("mline"), QStringLiteral("mend")}));
    EXPECT_EQ(captions(designed), (QStringList{QStringLiteral("新規作成"), QStringLiteral("開く"),
                                               QStringLiteral("名前を付けて保存"), QStringLiteral("印刷"),
                                               QStringLiteral("-"), QStringLiteral("終了")}));
    EXPECT_EQ(
        names(edit->actions()),
        (QStringList{QStringLiteral("mall"), QStringLiteral("matamajump"), QStringLiteral("mbunmatujump"),
                     QStringLiteral("mline3"), QStringLiteral("mkensaku"), QStringLiteral("mtugikensaku"),
                     QStringLiteral("mcut"), QStringLiteral("mcopy"), QStringLiteral("mpaste")}));
    EXPECT_EQ(captions(edit->actions()),
              (QStringList{QStringLiteral("全て選択"), QStringLiteral("文頭へジャンプ"),
                           QStringLiteral("文末へジャンプ"), QStringLiteral("-"), QStringLiteral("検索"),
                           QStringLiteral("次を検索"), QStringLiteral("切り取り"), QStringLiteral("コピー"),
                           QStringLiteral("貼り付け")}));
    for (const QAction* item : file->actions() + edit->actions())
        EXPECT_TRUE(item->shortcut().isEmpty()) << item->objectName().toStdString();

    const QToolBar* bar = form->findChild<QToolBar*>(QStringLiteral("tbToolBar"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), form->Picture1);
    QStringList keys, tips;
    for (const QAction* b : bar->actions()) {
        keys << b->data().toString();
        tips << b->toolTip();
        EXPECT_FALSE(b->icon().isNull()) << b->data().toString().toStdString();
    }
    EXPECT_EQ(keys, (QStringList{QStringLiteral("New"), QStringLiteral("Open"), QStringLiteral("Save"),
                                 QStringLiteral("Print"), QStringLiteral("Cut"), QStringLiteral("Copy"),
                                 QStringLiteral("Paste"), QStringLiteral("Bold"), QStringLiteral("Italic"),
                                 QStringLiteral("Underline")}));
    EXPECT_EQ(tips,
              (QStringList{QStringLiteral("新規作成"), QStringLiteral("開く"),
                           QStringLiteral("名前を付けて保存"), QStringLiteral("印刷"),
                           QStringLiteral("切り取り"), QStringLiteral("ｺﾋﾟｰ"), QStringLiteral("貼り付け"),
                           QStringLiteral("太字"), QStringLiteral("斜体"), QStringLiteral("下線")}));
    EXPECT_GE(form->Picture1->y(), form->editorMenus()->menuBar()->geometry().bottom())
        << "the design's controls start below the menu bar";
}

TEST_F(EditorMenusTest, openReadsShiftJisWithTheLineRuleAndNamesTheWindow) {
    const QString path = app.file(QStringLiteral("memo.txt"));
    WriteBytes(path, QByteArray("\x93\xfa\x96\x7b\r\nend")); // 日本 CR LF end
    prompter.fileAnswers << path;
    choose("mopen");
    EXPECT_EQ(prompter.fileFilters.value(0),
              QStringLiteral("txtファイル(*.txt,*.ini*.htm) (*.txt *.ini *.htm)"));
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("日本\nend\n"));
    EXPECT_EQ(form->windowTitle(), path);
    EXPECT_TRUE(editor.changed);
    EXPECT_TRUE(editor.currentFileName.isEmpty());
    EXPECT_TRUE(prompter.shown.isEmpty());

    choose("tbToolBar_Open"); // cancelled: nothing changes
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("日本\nend\n"));
}

TEST_F(EditorMenusTest, openThatFailsSaysWhyAndKeepsTheWindow) {
    form->setWindowTitle(QStringLiteral("着信履歴"));
    setText(QStringLiteral("kept"));
    const QString path = app.file(QStringLiteral("missing.txt"));
    prompter.fileAnswers << path;
    choose("mopen");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(path));
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("No such file")));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴"));
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("kept"));
}

TEST_F(EditorMenusTest, saveAsWritesTheHeaderBlockAndCancelKeepsIt) {
    form->Text7->setText(QStringLiteral("件名"));
    form->Text8->setText(QStringLiteral("a@example.jp"));
    form->Text9->setText(QStringLiteral("2026/12/07"));
    setText(QStringLiteral("本文\n二行目"));
    const QString out = app.file(QStringLiteral("out.txt"));
    prompter.fileAnswers << out;
    choose("msave");
    EXPECT_EQ(prompter.fileFilters.value(0), QStringLiteral("txtファイル(*.txt,*.ini) (*.txt *.ini)"));
    EXPECT_EQ(savedText(out), QStringLiteral("Subject:  件名\r\nFrom:  a@example.jp\r\nDate:  2026/12/07\r\n"
                                             "Body:  本文\r\n二行目\r\n"));
    EXPECT_EQ(form->windowTitle(), out);
    EXPECT_TRUE(prompter.shown.isEmpty());

    form->setWindowTitle(QStringLiteral("before"));
    choose("tbToolBar_Save"); // cancelled
    EXPECT_TRUE(
        form->rtfEd->toPlainText().startsWith(QStringLiteral("Subject:  件名\nFrom:  a@example.jp\n"
                                                             "Date:  2026/12/07\nBody:  Subject:  件名")));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("before"));
}

TEST_F(EditorMenusTest, saveAsTellsHowManyCharactersWereReplaced) {
    setText(QStringLiteral("😀と✓"));
    const QString out = app.file(QStringLiteral("out.txt"));
    prompter.fileAnswers << out;
    choose("msave");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("Shift-JIS で表せない 2 文字を「〓」に置き換えて保存しました。"));
    EXPECT_TRUE(savedText(out).endsWith(QStringLiteral("Body:  〓と〓\r\n")));
}

TEST_F(EditorMenusTest, saveAsThatFailsSaysWhyAndKeepsTheCaption) {
    form->setWindowTitle(QStringLiteral("before"));
    const QString out = app.file(QStringLiteral("no-folder/out.txt"));
    prompter.fileAnswers << out;
    choose("msave");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(out));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("before"));
}

TEST_F(EditorMenusTest, newEmptiesTheEditorAndNamesTheNewFile) {
    editor.currentFileName = app.file(QStringLiteral("memo.txt"));
    setText(QStringLiteral("書きかけ"));
    choose("tbToolBar_New");
    const QString newFile = app.path() + QStringLiteral("/新規作成.TXT");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("新規作成.TXT      ") + newFile);
    EXPECT_TRUE(form->rtfEd->toPlainText().isEmpty());
    EXPECT_FALSE(editor.changed);
    EXPECT_EQ(savedText(app.file(QStringLiteral("memo.txt"))), QStringLiteral("書きかけ"));

    setText(QStringLiteral("typed into the new file"));
    choose("mnew");
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("typed into the new file"));
}

TEST_F(EditorMenusTest, newAsksBeforeEmptyingANewFileWithContent) {
    WriteBytes(app.file(QStringLiteral("新規作成.TXT")), QByteArray("old notes"));
    editor.currentFileName = app.file(QStringLiteral("memo.txt"));
    setText(QStringLiteral("text"));
    prompter.answers << Prompter::Answer::No;
    choose("mnew");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(ReadBytes(app.file(QStringLiteral("新規作成.TXT"))), QByteArray("old notes"));
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("text"));
}

TEST_F(EditorMenusTest, searchAndFindNextSelectTheMatches) {
    setText(QStringLiteral("abcXabc"));
    form->Text1->setText(QStringLiteral("abc"));
    choose("mkensaku");
    EXPECT_EQ(cursor().selectionStart(), 0);
    EXPECT_EQ(cursor().selectionEnd(), 3);
    choose("mtugikensaku");
    EXPECT_EQ(cursor().selectionStart(), 4);
    EXPECT_EQ(cursor().selectionEnd(), 7);
    choose("mtugikensaku"); // past the last match: the selection stays
    EXPECT_EQ(cursor().selectionStart(), 4);
    EXPECT_EQ(cursor().selectionEnd(), 7);
    choose("mtugikensaku"); // starts again at position 3
    EXPECT_EQ(cursor().selectionStart(), 4);

    form->Text1->setText(QStringLiteral("zzz"));
    choose("mkensaku");
    EXPECT_EQ(cursor().selectionStart(), 4) << "no match leaves the selection where it was";
    EXPECT_TRUE(prompter.shown.isEmpty());

    form->Text1->clear();
    choose("mkensaku");
    EXPECT_FALSE(cursor().hasSelection());
    EXPECT_EQ(cursor().position(), 0) << "an empty search text selects nothing at the start";
}

TEST_F(EditorMenusTest, searchFindsAMatchPastPosition32767) {
    setText(QString(40000, u'x') + QStringLiteral("目印"));
    form->Text1->setText(QStringLiteral("目印"));
    choose("mkensaku");
    EXPECT_EQ(cursor().selectionStart(), 40000);
    EXPECT_EQ(cursor().selectedText(), QStringLiteral("目印"));
}

TEST_F(EditorMenusTest, selectAllAndJumps) {
    setText(QStringLiteral("one\ntwo"));
    choose("mall");
    EXPECT_EQ(cursor().selectionStart(), 0);
    EXPECT_EQ(cursor().selectionEnd(), 7);
    choose("mbunmatujump");
    EXPECT_FALSE(cursor().hasSelection());
    EXPECT_EQ(cursor().position(), 7);
    choose("matamajump");
    EXPECT_EQ(cursor().position(), 0);
}

TEST_F(EditorMenusTest, clipboardCommands) {
    QClipboard* clipboard = QApplication::clipboard();
    setText(QStringLiteral("alpha beta"));
    QTextCursor c = cursor();
    c.setPosition(0);
    c.setPosition(5, QTextCursor::KeepAnchor);
    form->rtfEd->setTextCursor(c);
    choose("mcopy");
    EXPECT_EQ(clipboard->text(), QStringLiteral("alpha"));
    EXPECT_FALSE(cursor().hasSelection());
    EXPECT_EQ(cursor().position(), 5) << "the selection collapses to its end";

    choose("tbToolBar_Copy"); // nothing selected
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_EQ(cursor().position(), 0);

    c = cursor();
    c.setPosition(5);
    c.setPosition(10, QTextCursor::KeepAnchor);
    form->rtfEd->setTextCursor(c);
    choose("mcut");
    EXPECT_EQ(clipboard->text(), QStringLiteral(" beta"));
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("alpha"));

    clipboard->setText(QStringLiteral("  gamma\u3000 "));
    choose("mpaste");
    EXPECT_EQ(form->rtfEd->toPlainText(), QStringLiteral("alphagamma\u3000"))
        << "spaces trimmed at both ends; the ideographic space is content";
}

TEST_F(EditorMenusTest, fontTogglesKeepTheirCountAcrossReopening) {
    choose("tbToolBar_Bold");
    choose("tbToolBar_Italic");
    choose("tbToolBar_Italic");
    EXPECT_TRUE(form->rtfEd->font().bold());
    EXPECT_FALSE(form->rtfEd->font().italic());
    choose("tbToolBar_Underline");
    EXPECT_TRUE(form->rtfEd->font().underline());

    choose("mend");
    form = std::make_unique<TyakuForm>(context, editor);
    EXPECT_FALSE(form->rtfEd->font().bold()) << "the font belongs to the window";
    choose("tbToolBar_Bold");
    EXPECT_FALSE(form->rtfEd->font().bold()) << "the count was left odd: this press switches bold off";
    choose("tbToolBar_Bold");
    EXPECT_TRUE(form->rtfEd->font().bold());
    choose("tbToolBar_Italic");
    EXPECT_TRUE(form->rtfEd->font().italic()) << "italic was left even";
}

TEST_F(EditorMenusTest, closingWritesTheSettingsStore) {
    choose("mend");
    EXPECT_FALSE(form->isVisible());
    QSettings store(config.file(QStringLiteral("Fennick/tomsel.conf")), QSettings::IniFormat);
    EXPECT_EQ(store.allKeys(), QStringList{QStringLiteral("FLAG/AUTOSAVE")});
    EXPECT_EQ(store.value(QStringLiteral("FLAG/AUTOSAVE")), QString());
}

TEST_F(EditorMenusTest, printMakesOneJobPerCopyInTheEditorsFont) {
    setText(QStringLiteral("Printed line\nSecond line"));
    form->rtfEd->setFont(QFont(QStringLiteral("DejaVu Serif"), 14));
    choose("tbToolBar_Bold");
    const QString pdf = app.file(QStringLiteral("print.pdf"));
    prompter.printerAnswer = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setCopyCount(2);
        return true;
    };
    choose("tbToolBar_Print");
    EXPECT_EQ(prompter.printSelectionOffered, QList<bool>{false});
    for (const QString& copy : {pdf, app.file(QStringLiteral("print-2.pdf"))}) {
        const QString text = PdfText(ReadBytes(copy));
        EXPECT_TRUE(text.contains(QStringLiteral("Printed line")))
            << copy.toStdString() << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Second line")));
        EXPECT_TRUE(ReadBytes(copy).contains("DejaVuSerif-Bold"))
            << "the editor's font, made bold by the toolbar";
    }
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("print-3.pdf"))));
}

TEST_F(EditorMenusTest, printWithASelectionPrintsTheSelectionFromTheFileMenuToo) {
    setText(QStringLiteral("Keep out\nOnly this"));
    QTextCursor c = cursor();
    c.setPosition(9);
    c.setPosition(18, QTextCursor::KeepAnchor);
    form->rtfEd->setTextCursor(c);
    const QString pdf = app.file(QStringLiteral("selection.pdf"));
    prompter.printerAnswer = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    };
    choose("mprint");
    EXPECT_EQ(prompter.printSelectionOffered, QList<bool>{true});
    const QString text = PdfText(ReadBytes(pdf));
    EXPECT_TRUE(text.contains(QStringLiteral("Only this"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Keep out")));
}
