#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/addressfile.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

constexpr qsizetype R = AddressRecord::kSize;

class AddressFileTest : public testing::Test {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("orxdata20.data"));
    QString tmp = dir.file(QStringLiteral("ORXDATA20.TMP"));
    AddressFile book{path, tmp};

    void add(const QString& name, const QString& address) {
        ASSERT_TRUE(book.AppendAddressRecord(name, address).ok());
    }
    void deleteRecord(int n) {
        const auto r = book.ReadAddressRecord(n);
        ASSERT_TRUE(r.ok() && r->has_value());
        ASSERT_TRUE(book.MarkAddressRecordDeleted(n, **r).ok());
        ASSERT_TRUE(book.CompactAddressFile().ok());
    }
    QString nameOf(int n) { return TrimSpaces(book.ReadAddressRecord(n).value()->name); }
};

} // namespace

TEST_F(AddressFileTest, firstAppendToMissingFileWritesRecordOneAtOffsetZero) {
    EXPECT_EQ(*book.CountAddressRecords(), 0);
    EXPECT_EQ(*book.AppendAddressRecord(QStringLiteral("a"), QStringLiteral("a@example.jp")), 1);
    EXPECT_EQ(QFileInfo(path).size(), R);
}

TEST_F(AddressFileTest, recordLayoutIsByteExact) {
    add(QStringLiteral("山田太郎"), QStringLiteral("taro@example.jp"));
    const QByteArray bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), R);
    EXPECT_EQ(bytes.left(8), QByteArray("\x8E\x52\x93\x63\x91\xBE\x98\x59"));
    EXPECT_EQ(bytes.mid(8, 82), QByteArray(82, ' '));
    EXPECT_EQ(bytes.mid(90, 4), QByteArray("\r\n\x01\x00", 4));
    EXPECT_EQ(bytes.mid(94, 15), QByteArray("taro@example.jp"));
    EXPECT_EQ(bytes.mid(109), QByteArray(75, ' '));
}

TEST_F(AddressFileTest, emptyBoxesGiveARecordOfSpaces) {
    add(QString(), QString());
    const QByteArray bytes = ReadBytes(path);
    EXPECT_EQ(bytes.left(90), QByteArray(90, ' '));
    EXPECT_EQ(bytes.mid(94), QByteArray(90, ' '));
}

TEST_F(AddressFileTest, readPastTheLastRecordReportsEndOfFile) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    add(QStringLiteral("b"), QStringLiteral("b@x"));
    EXPECT_TRUE(book.ReadAddressRecord(2)->has_value());
    EXPECT_FALSE(book.ReadAddressRecord(3)->has_value());
    const auto all = book.ReadAllAddressRecords();
    ASSERT_EQ(all->size(), 2);
    EXPECT_EQ((*all)[1].number, 2);
}

TEST_F(AddressFileTest, deletingTheOnlyRecordLeavesAnEmptyFile) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    deleteRecord(1);
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(tmp));
    EXPECT_TRUE(book.ReadAllAddressRecords()->isEmpty());
}

TEST_F(AddressFileTest, deletingTheMiddleRecordMovesTheLastOneUp) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    add(QStringLiteral("b"), QStringLiteral("b@x"));
    add(QStringLiteral("c"), QStringLiteral("c@x"));
    const QByteArray third = ReadBytes(path).mid(2 * R);
    deleteRecord(2);
    EXPECT_EQ(QFileInfo(path).size(), 2 * R);
    EXPECT_EQ(ReadBytes(path).mid(R), third);
    EXPECT_EQ(nameOf(1), QStringLiteral("a"));
}

TEST_F(AddressFileTest, rebuildWithNothingMarkedKeepsTheSameContent) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    add(QStringLiteral("b"), QStringLiteral("b@x"));
    const QByteArray before = ReadBytes(path);
    ASSERT_TRUE(book.CompactAddressFile().ok());
    EXPECT_EQ(ReadBytes(path), before);
}

TEST_F(AddressFileTest, anyNonZeroStatusSurvivesARebuild) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    QByteArray bytes = ReadBytes(path);
    bytes[92] = 5;
    WriteBytes(path, bytes);
    ASSERT_TRUE(book.CompactAddressFile().ok());
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(AddressFileTest, markingKeepsTheTextsAndSetsStatusZero) {
    add(QStringLiteral("名前"), QStringLiteral("n@x"));
    const QByteArray before = ReadBytes(path);
    const auto r = book.ReadAddressRecord(1);
    ASSERT_TRUE(book.MarkAddressRecordDeleted(1, **r).ok());
    QByteArray expected = before;
    expected[92] = 0;
    EXPECT_EQ(ReadBytes(path), expected);
}

TEST_F(AddressFileTest, trailingPartialRecordIsNeverReturned) {
    add(QStringLiteral("a"), QStringLiteral("a@x"));
    WriteBytes(path, ReadBytes(path) + QByteArray(50, 'q'));
    EXPECT_EQ(*book.CountAddressRecords(), 1);
    EXPECT_FALSE(book.ReadAddressRecord(2)->has_value());
}

TEST_F(AddressFileTest, readingAllCreatesAMissingFileEmpty) {
    EXPECT_TRUE(book.ReadAllAddressRecords()->isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
}
