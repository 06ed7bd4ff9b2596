// INI files as a broken disk, another program or a hand edit leave them: a
// value is read or cleanly absent, and a write keeps every other byte.
#include <gtest/gtest.h>

#include "settings/inifile.h"
#include "tests/support/tempfolder.h"

namespace {

class HostileIniFile : public testing::Test {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("test.ini"));
    IniFile ini{path};

    QString read(const char* section, const char* key) const {
        return ini.read(QString::fromLatin1(section), QString::fromLatin1(key));
    }
    void write(const char* section, const char* key, const QString& value) const {
        const Status s = ini.write(QString::fromLatin1(section), QString::fromLatin1(key), value);
        ASSERT_TRUE(s.ok()) << s.error();
    }
};

// Every byte value, line ends included, and Shift-JIS lead bytes without
// their second byte.
QByteArray binaryGarbage() {
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes += char(b);
    return bytes + "\x81\r\n\xFF\xFE=\x82\r\n";
}

} // namespace

TEST_F(HostileIniFile, binaryGarbageAroundASectionIsKeptByteForByte) {
    const QByteArray garbage = binaryGarbage();
    WriteBytes(path, garbage + "\r\n[S]\r\nK=v\r\n" + garbage);
    EXPECT_EQ(read("S", "K"), QStringLiteral("v"));
    EXPECT_EQ(read("S", "MISSING"), QString());
    write("S", "K", QStringLiteral("w"));
    EXPECT_EQ(read("S", "K"), QStringLiteral("w"));
    // The garbage comes back as it was, only its line ends now CR LF.
    const QByteArray written = ReadBytes(path);
    const QByteArray garbageCrLf =
        QByteArray(garbage).replace("\r\n", "\n").replace('\r', '\n').replace("\n", "\r\n");
    EXPECT_EQ(written, garbageCrLf + "\r\n[S]\r\nK=w\r\n" + garbageCrLf);
}

TEST_F(HostileIniFile, crOnlyLineEndsAreLineEnds) {
    WriteBytes(path, "[S]\rA=1\rB=2\r[T]\rA=3");
    EXPECT_EQ(read("S", "A"), QStringLiteral("1"));
    EXPECT_EQ(read("S", "B"), QStringLiteral("2"));
    EXPECT_EQ(read("T", "A"), QStringLiteral("3"));
    write("S", "C", QStringLiteral("4"));
    EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nA=1\r\nB=2\r\nC=4\r\n[T]\r\nA=3\r\n"));
}

TEST_F(HostileIniFile, aRepeatedKeyReadsAndWritesItsFirstOccurrence) {
    WriteBytes(path, "[S]\r\nK=first\r\nk=second\r\n[s]\r\nK=third\r\n");
    EXPECT_EQ(read("S", "K"), QStringLiteral("first"));
    write("S", "K", QStringLiteral("new"));
    EXPECT_EQ(read("S", "K"), QStringLiteral("new"));
    EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nK=new\r\nk=second\r\n[s]\r\nK=third\r\n"));
}

TEST_F(HostileIniFile, aTenKilobyteValueReadsAsItsBufferAndIsWrittenWhole) {
    WriteBytes(path, "[S]\r\nK=" + QByteArray(10 * 1024, 'x') + "\r\nNEXT=1\r\n");
    EXPECT_EQ(read("S", "K"), QString(255, u'x'));
    EXPECT_EQ(read("S", "NEXT"), QStringLiteral("1"));
    write("S", "L", QString(10 * 1024, u'y'));
    EXPECT_EQ(read("S", "L"), QString(255, u'y'));
    EXPECT_EQ(ReadBytes(path), "[S]\r\nK=" + QByteArray(10 * 1024, 'x') +
                                   "\r\nNEXT=1\r\nL=" + QByteArray(10 * 1024, 'y') + "\r\n");
}

TEST_F(HostileIniFile, aMissingFinalLineEndLosesNothing) {
    WriteBytes(path, "[S]\r\nK=v");
    EXPECT_EQ(read("S", "K"), QStringLiteral("v"));
    write("S", "L", QStringLiteral("w"));
    EXPECT_EQ(ReadBytes(path), QByteArray("[S]\r\nK=v\r\nL=w\r\n"));
}
