// Record files as crashes, disks and other programs leave them: every reader
// gives the whole records or a clear error, and nothing is lost.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

#include "store/addressfile.h"
#include "store/mailfile.h"
#include "tests/support/tempfolder.h"

namespace {

constexpr qsizetype A = AddressRecord::kSize;

QByteArray addressBytes(const QByteArray& name, qint16 status) {
    QByteArray r = name.leftJustified(90, ' ') + "\r\n";
    r += char(quint16(status) & 0xFF);
    r += char(quint16(status) >> 8);
    return r + QByteArray("a@example.jp").leftJustified(90, ' ');
}

class CorruptRecordFile : public testing::Test {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("orxdata20.data"));
    AddressFile addresses{path, dir.file(QStringLiteral("ORXDATA20.TMP"))};
    MailFile mails{path, dir.file(QStringLiteral("ORXDATA2.TMP"))};
};

} // namespace

TEST_F(CorruptRecordFile, everyReaderStopsBeforeAPartialRecordAtAnyLength) {
    const QByteArray two = addressBytes("one", 1) + addressBytes("two", 1);
    for (const qsizetype extra : {qsizetype(0), qsizetype(1), A / 2, A / 2 + 1, A - 1}) {
        WriteBytes(path, two + QByteArray(extra, 'z'));
        EXPECT_EQ(*addresses.count(), 2) << extra;
        const auto all = addresses.readAll();
        ASSERT_TRUE(all.ok()) << extra;
        ASSERT_EQ(all->size(), 2) << extra;
        EXPECT_EQ(all->last().record.name.trimmed(), QStringLiteral("two"));
        EXPECT_TRUE(addresses.read(2)->has_value()) << extra;
        EXPECT_FALSE(addresses.read(3)->has_value()) << extra;
        EXPECT_EQ(ReadBytes(path).size(), two.size() + extra) << "reading changed the file";
    }
    // A mail file shorter than one record holds none, for every reader.
    WriteBytes(path, QByteArray(MailRecord::kSize - 1, 'x'));
    EXPECT_EQ(*mails.count(), 0);
    EXPECT_TRUE(mails.readAll()->isEmpty());
    EXPECT_TRUE(mails.readListColumns()->isEmpty());
    EXPECT_FALSE(mails.read(1)->has_value());
}

TEST_F(CorruptRecordFile, liveValuesOtherThanZeroOneAndFiveAreKeptAsInUse) {
    const qint16 statuses[] = {1, 5, 2, -1, 256, 0, 0x7FFF};
    QByteArray bytes;
    for (const qint16 s : statuses)
        bytes += addressBytes("s" + QByteArray::number(s), s);
    WriteBytes(path, bytes);
    const auto all = addresses.readAll();
    ASSERT_TRUE(all.ok());
    ASSERT_EQ(all->size(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ((*all)[i].record.status, statuses[i]);
    // Only a 0 marks a deleted record; a compaction keeps the rest byte for byte.
    ASSERT_TRUE(addresses.compact().ok());
    EXPECT_EQ(ReadBytes(path), QByteArray(bytes).remove(5 * A, A));
}

TEST_F(CorruptRecordFile, nulBytesAndInvalidShiftJisInFieldsSurviveAMarkAndACompaction) {
    const QByteArray odd = QByteArray("a\0b\x81\xFF\x82", 6) + QByteArray(84, '\0');
    const QByteArray bytes = addressBytes(odd, 1) + addressBytes("gone", 1);
    WriteBytes(path, bytes);
    const auto first = addresses.read(1);
    ASSERT_TRUE(first.ok() && first->has_value());
    EXPECT_TRUE((*first)->name.startsWith(QStringView(u"a\0b", 3)));
    EXPECT_TRUE((*first)->name.contains(QChar::ReplacementCharacter));
    ASSERT_TRUE(addresses.markDeleted(2).ok());
    ASSERT_TRUE(addresses.compact().ok());
    EXPECT_EQ(ReadBytes(path), bytes.left(A)) << "the odd record's bytes were changed";
}

TEST_F(CorruptRecordFile, anEmptyFileHoldsNoRecordsAndTakesTheFirst) {
    WriteBytes(path, QByteArray());
    EXPECT_EQ(*addresses.count(), 0);
    EXPECT_TRUE(addresses.readAll()->isEmpty());
    EXPECT_FALSE(addresses.read(1)->has_value());
    EXPECT_EQ(*addresses.AppendAddressRecord(QStringLiteral("n"), QStringLiteral("a@b")), 1);
    EXPECT_EQ(ReadBytes(path).size(), A);
}

TEST_F(CorruptRecordFile, aFolderOrALinkInPlaceOfTheFileIsAClearErrorAndStaysAsItIs) {
    const QString target = dir.file(QStringLiteral("elsewhere.data"));
    const struct {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"folder", [&] { ASSERT_TRUE(QDir().mkdir(path)); }},
        {"dangling link", [&] { ASSERT_TRUE(QFile::link(target, path)); }},
        {"link to a file",
         [&] {
             WriteBytes(target, addressBytes("linked", 1));
             ASSERT_TRUE(QFile::link(target, path));
         }},
    };
    const Error expected{.kind = Error::Kind::NotAFile, .path = path};
    for (const auto& c : cases) {
        c.make();
        const auto count = addresses.count();
        ASSERT_FALSE(count.ok()) << c.name;
        EXPECT_EQ(count.error(), expected) << c.name;
        EXPECT_EQ(addresses.readAll().error(), expected) << c.name;
        EXPECT_EQ(addresses.ReadAllAddressRecords().error(), expected) << c.name;
        EXPECT_EQ(addresses.read(1).error(), expected) << c.name;
        EXPECT_EQ(addresses.AppendAddressRecord(QStringLiteral("n"), QStringLiteral("a")).error(), expected)
            << c.name;
        EXPECT_EQ(addresses.compact().error(), expected) << c.name;
        EXPECT_EQ(mails.readListColumns().error(), expected) << c.name;

        const QFileInfo after(path);
        EXPECT_EQ(after.isDir(), QByteArray(c.name) == "folder") << c.name;
        EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("ORXDATA20.TMP")))) << c.name;
        if (QByteArray(c.name) == "link to a file")
            EXPECT_EQ(ReadBytes(target), addressBytes("linked", 1));
        else
            EXPECT_FALSE(QFileInfo::exists(target)) << c.name << ": written through the link";
        ASSERT_TRUE(after.isSymLink() ? QFile::remove(path) : QDir().rmdir(path)) << c.name;
        QFile::remove(target);
    }
}
