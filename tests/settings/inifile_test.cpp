#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/accountfile.h"
#include "settings/inifile.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

class IniFileTest : public testing::Test {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("test.ini"));
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

} // namespace

TEST_F(IniFileTest, readsFilesAsOtherProgramsWriteThem) {
    // Comments, blank lines, other sections, mixed case, spaces around '=',
    // quotes, LF-only line ends and no final line break.
    WriteBytes(path, QByteArray("; written by hand\n[Other]\nNAME=not this one\n\n[exeini]\n"
                                "  Name = taro \nname2=\"pass word\"\n;NAME3=commented\nNAME3=1"));
    const IniFile ini(path);
    EXPECT_EQ(ini.read(QStringLiteral("EXEINI"), QStringLiteral("NAME")), QStringLiteral("taro"));
    EXPECT_EQ(ini.read(QStringLiteral("EXEINI"), QStringLiteral("NAME2")), QStringLiteral("pass word"));
    EXPECT_EQ(ini.read(QStringLiteral("EXEINI"), QStringLiteral("NAME3")), QStringLiteral("1"));
    EXPECT_EQ(ini.read(QStringLiteral("Other"), QStringLiteral("name")), QStringLiteral("not this one"));
    EXPECT_EQ(ini.read(QStringLiteral("EXEINI"), QStringLiteral("MISSING")), QString());
    EXPECT_EQ(IniFile(dir.file(QStringLiteral("none.ini"))).read(QStringLiteral("A"), QStringLiteral("B")),
              QString());
}

TEST_F(IniFileTest, valuesAreShiftJisAndCutToTheBuffer) {
    WriteBytes(path,
               "[S]\r\nK=" + QByteArray("\x93\xFA\x96\x7B") + "\r\nLONG=" + QByteArray(300, 'x') + "\r\n");
    const IniFile ini(path);
    EXPECT_EQ(ini.read(QStringLiteral("s"), QStringLiteral("k")), QStringLiteral("日本"));
    EXPECT_EQ(ini.read(QStringLiteral("S"), QStringLiteral("LONG")), QString(255, u'x'));
    QString wide;
    for (int i = 0; i < 127; ++i)
        wide += QStringLiteral("あ");
    WriteBytes(path, "[S]\r\nWIDE=a" + ShiftJis::encode(wide + QStringLiteral("あい")) + "\r\n");
    // 1 + 127 * 2 = 255 bytes fit; the next character would need byte 256
    EXPECT_EQ(ini.read(QStringLiteral("S"), QStringLiteral("WIDE")), QStringLiteral("a") + wide);
}

TEST_F(IniFileTest, writeKeepsEverythingElseOfTheFile) {
    WriteBytes(
        path,
        QByteArray(
            "; comment\r\n[Other]\r\nX=1\r\n\r\n[EXEINI]\r\nname=old\r\nNAME2=pw\r\n\r\n[Tail]\r\nY=2"));
    ASSERT_TRUE(
        IniFile(path).write(QStringLiteral("EXEINI"), QStringLiteral("NAME"), QStringLiteral("新")).ok());
    ASSERT_TRUE(
        IniFile(path).write(QStringLiteral("exeini"), QStringLiteral("NAME3"), QStringLiteral("0")).ok());
    ASSERT_TRUE(IniFile(path).write(QStringLiteral("New"), QStringLiteral("Z"), QStringLiteral("3")).ok());
    EXPECT_EQ(ReadBytes(path),
              QByteArray("; comment\r\n[Other]\r\nX=1\r\n\r\n[EXEINI]\r\nNAME=\x90\x56\r\nNAME2=pw\r\n"
                         "NAME3=0\r\n\r\n[Tail]\r\nY=2\r\n[New]\r\nZ=3\r\n"));
}

TEST_F(IniFileTest, writeCreatesTheFileWithTheRequestedModeAndKeepsAnExistingMode) {
    ASSERT_TRUE(
        IniFile(path, 0600).write(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v")).ok());
    EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nK=v\r\n"));
    EXPECT_EQ(modeOf(path), 0600u);
    ::chmod(QFile::encodeName(path).constData(), 0640);
    ASSERT_TRUE(
        IniFile(path, 0600).write(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("w")).ok());
    EXPECT_EQ(modeOf(path), 0640u);
}

TEST_F(IniFileTest, unwritableFolderIsReported) {
    const Status s = IniFile(QStringLiteral("/nonexistent/dir/x.ini"))
                         .write(QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.error(), (Error{.kind = Error::Kind::SettingsNotWritten,
                                .path = QStringLiteral("/nonexistent/dir/x.ini")}));
}

TEST(AccountFile, confirmWithoutSaveChangesOnlyName3) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("iniIdPass.ini"));
    const AccountFile file(path);
    ASSERT_TRUE(file.confirm({QStringLiteral("taro"), QStringLiteral("secret")}, true).ok());
    EXPECT_EQ(ReadBytes(path), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=secret\r\nNAME3=1\r\n"));
    EXPECT_EQ(modeOf(path), 0600u);
    ASSERT_TRUE(file.confirm({QStringLiteral("jiro"), QStringLiteral("other")}, false).ok());
    EXPECT_EQ(ReadBytes(path), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=secret\r\nNAME3=0\r\n"));
    EXPECT_EQ(file.load().id, QStringLiteral("taro"));
    EXPECT_EQ(file.load().password, QStringLiteral("secret"));
}

TEST(AccountForCheck, theFileHoldsUnlessAConfirmedAccountCouldNotBeWritten) {
    TempFolder dir;
    const AccountFile file(dir.file(QStringLiteral("iniIdPass.ini")));
    ASSERT_TRUE(file.confirm({QStringLiteral("taro"), QStringLiteral("pw")}, true).ok());
    const Account stored{QStringLiteral("taro"), QStringLiteral("pw")};
    EXPECT_EQ(file.loadForCheck(std::nullopt), stored);
    const Account unsaved{QStringLiteral("hanako"), QStringLiteral("new")};
    EXPECT_EQ(file.loadForCheck(unsaved), unsaved) << "the file does not hold what was confirmed";
    ASSERT_TRUE(file.confirm(unsaved, true).ok());
    EXPECT_EQ(file.loadForCheck(unsaved), unsaved);
    EXPECT_EQ(file.load(), unsaved);
}
