#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "history/editorfiles.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

class EditorFilesTest : public testing::Test {
  protected:
    TempFolder dir;
    EditorState state;
    QStringList questions;
    int emptied = 0;

    Result<std::optional<QString>> pressNew(const QString& text, bool answer = true) {
        return EditorFiles::newFile(
            state, text,
            [&](const QString& q) {
                questions << q;
                return answer;
            },
            [&] { ++emptied; });
    }
    QString saved(const QString& path) { return ShiftJis::decode(ReadBytes(path)); }
};

} // namespace

TEST_F(EditorFilesTest, dialogFiltersInQtForm) {
    EXPECT_EQ(EditorFiles::qtFilter(QStringLiteral("Text (*.txt,*.ini)|*.txt;*.ini;")),
              QStringLiteral("Text (*.txt,*.ini) (*.txt *.ini)"));
    EXPECT_EQ(EditorFiles::qtFilter(QStringLiteral("*.txt")), QStringLiteral("*.txt")) << "no patterns given";
}

TEST_F(EditorFilesTest, openThenSaveAsGivesTheHeaderBlockAndOneMoreLineBreak) {
    const QString in = dir.file(QStringLiteral("in.txt"));
    const QString out = dir.file(QStringLiteral("out.txt"));
    for (const QByteArray& content :
         {QByteArray("\x96\x7b\x95\xb6\r\nend\r\n"), QByteArray("\x96\x7b\x95\xb6\r\nend")}) {
        WriteBytes(in, content);
        const Result<QString> text = EditorFiles::open(state, in);
        ASSERT_TRUE(text.ok());
        const QString withHeader = EditorFiles::withHeaderBlock(
            QStringLiteral("件名"), QStringLiteral("a@example.jp"), QStringLiteral("2026/12/07"), *text);
        ASSERT_TRUE(EditorFiles::saveAs(state, out, withHeader).ok());
        EXPECT_EQ(saved(out), QStringLiteral("Subject:  件名\r\nFrom:  a@example.jp\r\nDate:  2026/12/07\r\n"
                                             "Body:  本文\r\nend\r\n\r\n"))
            << "with and without a final line break in the opened file";
    }
    EXPECT_TRUE(state.chosenFileName.isEmpty());
    EXPECT_TRUE(state.currentFileName.isEmpty()) << "open and save as leave the current file alone";
}

TEST_F(EditorFilesTest, savingAsTwicePutsTwoHeaderBlocksInFront) {
    const QString out = dir.file(QStringLiteral("out.txt"));
    QString text = QStringLiteral("本文");
    for (int i = 0; i < 2; ++i) {
        text =
            EditorFiles::withHeaderBlock(QStringLiteral("S"), QStringLiteral("F"), QStringLiteral("D"), text);
        ASSERT_TRUE(EditorFiles::saveAs(state, out, text).ok());
    }
    EXPECT_EQ(saved(out),
              QStringLiteral("Subject:  S\r\nFrom:  F\r\nDate:  D\r\nBody:  Subject:  S\r\nFrom:  F\r\n"
                             "Date:  D\r\nBody:  本文\r\n"));
}

TEST_F(EditorFilesTest, saveAsCountsWhatShiftJisCannotHold) {
    const QString out = dir.file(QStringLiteral("out.txt"));
    const Result<qsizetype> replaced = EditorFiles::saveAs(state, out, QStringLiteral("絵文字😀"));
    ASSERT_TRUE(replaced.ok());
    EXPECT_EQ(*replaced, 1);
    EXPECT_EQ(saved(out), QStringLiteral("絵文字〓\r\n"));
}

TEST_F(EditorFilesTest, newSavesAChangedTextThenStartsAnEmptyNewFileBesideIt) {
    const QString current = dir.file(QStringLiteral("memo.txt"));
    state.currentFileName = current;
    state.changed = true;
    const auto caption = pressNew(QStringLiteral("書きかけ\r\n"));
    ASSERT_TRUE(caption.ok());
    const QString newFile = dir.path() + QStringLiteral("/新規作成.TXT");
    EXPECT_EQ(caption->value_or(QString()), QStringLiteral("新規作成.TXT      ") + newFile);
    EXPECT_EQ(saved(current), QStringLiteral("書きかけ\r\n")) << "saved without a question or an added break";
    EXPECT_TRUE(QFile::exists(newFile));
    EXPECT_EQ(QFile(newFile).size(), 0);
    EXPECT_EQ(state.currentFileName, newFile);
    EXPECT_FALSE(state.changed);
    EXPECT_EQ(emptied, 1);
    EXPECT_TRUE(questions.isEmpty());

    // Already on the new file: New does nothing at all.
    state.changed = true;
    const auto again = pressNew(QStringLiteral("何か"));
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(again->has_value());
    EXPECT_EQ(emptied, 1);
    EXPECT_TRUE(state.changed);
    EXPECT_EQ(QFile(newFile).size(), 0);
}

TEST_F(EditorFilesTest, newWithoutChangesLeavesTheCurrentFileAlone) {
    const QString current = dir.file(QStringLiteral("memo.txt"));
    WriteBytes(current, QByteArray("kept"));
    state.currentFileName = current;
    ASSERT_TRUE(pressNew(QStringLiteral("other text")).ok());
    EXPECT_EQ(ReadBytes(current), QByteArray("kept"));
}

TEST_F(EditorFilesTest, newWithNoFileNamedUsesTheWorkingFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    state.changed = true; // the silent save has no file to go to and is skipped
    const auto caption = pressNew(QStringLiteral("text"));
    QDir::setCurrent(before);
    ASSERT_TRUE(caption.ok()) << caption.error();
    EXPECT_EQ(caption->value_or(QString()), QStringLiteral("新規作成.TXT      新規作成.TXT"));
    EXPECT_EQ(state.currentFileName, QStringLiteral("新規作成.TXT"));
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("新規作成.TXT"))));
}

TEST_F(EditorFilesTest, newAsksBeforeEmptyingANewFileThatHoldsSomething) {
    const QString newFile = dir.file(QStringLiteral("新規作成.TXT"));
    WriteBytes(newFile, QByteArray("precious"));
    state.currentFileName = dir.file(QStringLiteral("memo.txt"));
    state.changed = true;

    const auto declined = pressNew(QStringLiteral("text"), false);
    ASSERT_TRUE(declined.ok());
    EXPECT_FALSE(declined->has_value());
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions[0], newFile) << "asked about the file that would be emptied";
    EXPECT_EQ(ReadBytes(newFile), QByteArray("precious"));
    EXPECT_EQ(state.currentFileName, dir.file(QStringLiteral("memo.txt")));
    EXPECT_TRUE(state.changed);
    EXPECT_EQ(emptied, 0);

    ASSERT_TRUE(pressNew(QStringLiteral("text"), true).ok());
    EXPECT_EQ(QFile(newFile).size(), 0);
    EXPECT_EQ(state.currentFileName, newFile);

    // An empty one is emptied again without a question.
    state.currentFileName = dir.file(QStringLiteral("memo.txt"));
    ASSERT_TRUE(pressNew(QString()).ok());
    EXPECT_EQ(questions.size(), 2) << "asked twice for the file with content, never for the empty one";
}

TEST_F(EditorFilesTest, newThatCannotCreateTheFileChangesNothing) {
    state.currentFileName = dir.file(QStringLiteral("gone/memo.txt"));
    state.changed = true;
    const auto caption = pressNew(QStringLiteral("text"));
    ASSERT_FALSE(caption.ok());
    EXPECT_EQ(caption.error().kind, Error::Kind::FileNotWritten);
    EXPECT_EQ(caption.error().path, dir.file(QStringLiteral("gone/新規作成.TXT")));
    EXPECT_EQ(state.currentFileName, dir.file(QStringLiteral("gone/memo.txt")));
    EXPECT_TRUE(state.changed);
    EXPECT_EQ(emptied, 0);
}

TEST(FontToggle, evenCountTurnsOnOddTurnsOff) {
    FontToggle bold;
    EXPECT_TRUE(bold.press());
    EXPECT_FALSE(bold.press());
    EXPECT_TRUE(bold.press());
    FontToggle leftOdd{1}; // left on when the window was closed
    EXPECT_FALSE(leftOdd.press()) << "the first press after reopening switches the plain text off";
    EXPECT_EQ(leftOdd.count, 2);
}
