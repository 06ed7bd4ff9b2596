#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "history/textfile.h"
#include "tests/support/tempfolder.h"

namespace {

struct LineCase {
    const char* name;
    QString in;
    QString out;
};

class LineRule : public testing::TestWithParam<LineCase> {};

TEST_P(LineRule, endsEveryLineWithCrLf) {
    EXPECT_EQ(TextFile::withLineRule(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LineRule,
    testing::Values(
        LineCase{"crlf-lines-stay", QStringLiteral("一\r\n二\r\n"), QStringLiteral("一\r\n二\r\n")},
        LineCase{"lone-cr-ends-a-line", QStringLiteral("a\rb\r"), QStringLiteral("a\r\nb\r\n")},
        LineCase{"lone-lf-stays-inside-the-line", QStringLiteral("a\nb\r\nc"),
                 QStringLiteral("a\nb\r\nc\r\n")},
        LineCase{"no-final-break-gains-one", QStringLiteral("a\r\nb"), QStringLiteral("a\r\nb\r\n")},
        LineCase{"blank-lines-kept", QStringLiteral("a\r\n\r\n\rb"), QStringLiteral("a\r\n\r\n\r\nb\r\n")},
        LineCase{"cr-then-crlf-is-two-breaks", QStringLiteral("a\r\r\n"), QStringLiteral("a\r\n\r\n")},
        LineCase{"empty-file-stays-empty", QString(), QString()}),
    [](const testing::TestParamInfo<LineCase>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (c == '-')
                c = '_';
        return name;
    });

TEST(TextFile, readDecodesShiftJisAndAppliesTheLineRule) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("memo.txt"));
    WriteBytes(path, QByteArray("\x93\xfa\x96\x7b\r\n\x8c\xea\nx")); // 日本 CR LF 語 LF x
    const Result<QString> text = TextFile::read(path);
    ASSERT_TRUE(text.ok()) << text.error();
    EXPECT_EQ(*text, QStringLiteral("日本\r\n語\nx\r\n"));
}

TEST(TextFile, readFailureNamesTheFileAndTheReason) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("missing.txt"));
    const Result<QString> text = TextFile::read(path);
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.error().kind, Error::Kind::FileNotOpened);
    EXPECT_EQ(text.error().path, path);
    EXPECT_TRUE(text.error().detail.contains(QStringLiteral("No such file"))) << text.error();
}

TEST(TextFile, writeReplacesTheFileInShiftJisAndCountsReplacements) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("out.txt"));
    WriteBytes(path, QByteArray("an old and much longer content that must go"));
    const Result<qsizetype> replaced = TextFile::write(path, QStringLiteral("日本😀\r\n✓"));
    ASSERT_TRUE(replaced.ok()) << replaced.error();
    EXPECT_EQ(*replaced, 2);
    EXPECT_EQ(ReadBytes(path), QByteArray("\x93\xfa\x96\x7b\x81\xac\r\n\x81\xac"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("out.txt")})
        << "the temporary file is renamed, not left behind";
}

TEST(TextFile, failedWriteNamesTheFileAndLeavesNothing) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("no-such-folder/out.txt"));
    const Result<qsizetype> replaced = TextFile::write(path, QStringLiteral("x"));
    ASSERT_FALSE(replaced.ok());
    EXPECT_EQ(replaced.error().kind, Error::Kind::FileNotWritten);
    EXPECT_EQ(replaced.error().path, path);
    EXPECT_FALSE(QFile::exists(path));
}

TEST(TextFile, failedWriteKeepsTheOldFile) {
    TempFolder dir;
    // A folder stands where the file should go: the save fails, and what was
    // there stays.
    const QString path = dir.file(QStringLiteral("taken"));
    ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
    const Result<qsizetype> replaced = TextFile::write(path, QStringLiteral("x"));
    ASSERT_FALSE(replaced.ok());
    EXPECT_TRUE(QDir(path + QStringLiteral("/inside")).exists());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList()) << "no temporary file left behind";
}

} // namespace
