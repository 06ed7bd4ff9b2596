#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/mailfile.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

constexpr qsizetype R = MailRecord::kSize;

MailRecord sample(const QString& subject, const QString& body = QStringLiteral("本文")) {
    return {subject,
            QStringLiteral("Mon, 7 Dec 2026 09:00:00 +0900"),
            MailRecord::kTextKind,
            QStringLiteral("sender@example.jp"),
            body,
            1};
}

class MailFileTest : public testing::Test {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("orxdata2.data"));
    MailFile file{path, dir.file(QStringLiteral("ORXDATA2.TMP"))};

    void appendOrFail(const MailRecord& r) { ASSERT_TRUE(file.append(r).ok()); }
};

} // namespace

TEST_F(MailFileTest, emptyFileHoldsNoRecordsAndFirstAppendIsNumberOne) {
    WriteBytes(path, QByteArray());
    EXPECT_EQ(*file.count(), 0);
    const Result<int> n = file.append(sample(QStringLiteral("a")));
    ASSERT_TRUE(n.ok()) << n.error();
    EXPECT_EQ(*n, 1);
    EXPECT_EQ(QFileInfo(path).size(), R);
}

TEST_F(MailFileTest, appendOnMissingFileCreatesIt) {
    EXPECT_EQ(*file.count(), 0);
    EXPECT_EQ(*file.append(sample(QStringLiteral("a"))), 1);
    EXPECT_EQ(QFileInfo(path).size(), R);
}

TEST_F(MailFileTest, recordBytesSitAtTheirOffsets) {
    MailRecord r = sample(QStringLiteral("件名"));
    r.kind = MailRecord::kHtmlKind;
    appendOrFail(r);
    const QByteArray bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), R);
    EXPECT_EQ(bytes.left(4), QByteArray("\x8C\x8F\x96\xBC"));
    EXPECT_EQ(bytes.mid(4, 96), QByteArray(96, ' '));
    EXPECT_EQ(bytes.mid(100, 30), QByteArray("Mon, 7 Dec 2026 09:00:00 +0900"));
    EXPECT_EQ(bytes.mid(190, 14), QByteArray("\x81\x9CHTML\x8C\x60\x8E\xAE    "));
    EXPECT_EQ(bytes.mid(204, 17), QByteArray("sender@example.jp"));
    EXPECT_EQ(bytes.mid(294, 4), QByteArray("\x96\x7B\x95\xB6"));
    EXPECT_EQ(bytes.mid(32294, 4), QByteArray("\r\n\x01\x00", 4));
}

TEST_F(MailFileTest, textKindIsTenBytesAndFourSpaces) {
    appendOrFail(sample(QStringLiteral("a")));
    EXPECT_EQ(ReadBytes(path).mid(190, 14), QByteArray("\x81\x9BTEXT\x8C\x60\x8E\xAE    "));
}

TEST_F(MailFileTest, longSubjectAndBodyAreCutToTheirFields) {
    QString subject;
    for (int i = 0; i < 60; ++i)
        subject += QChar(u'字');
    const QString body(32010, QChar(u'x'));
    appendOrFail(sample(subject, body));
    const QByteArray bytes = ReadBytes(path);
    ASSERT_EQ(bytes.size(), R);
    const MailRecord back = file.read(1).value().value();
    EXPECT_EQ(back.subject, subject.left(50));
    EXPECT_EQ(back.body, body.left(32000));
    EXPECT_EQ(bytes.mid(32294, 2), QByteArray("\r\n"));
}

TEST_F(MailFileTest, shortBodyReadsBackUnchangedAfterTrimming) {
    const QString body = QStringLiteral("一行目\r\n\t二行目　");
    appendOrFail(sample(QStringLiteral("s"), body));
    const MailRecord back = file.read(1).value().value();
    EXPECT_EQ(back.body.size(), 10 + 32000 - 17); // 17 bytes of text, padding kept until a reader trims
    EXPECT_EQ(TrimSpaces(CutAtNul(back.body)), body);
}

TEST_F(MailFileTest, readAllYieldsRecordsInOrderAndStopsBeforeAPartialRecord) {
    for (const char16_t* s : {u"1", u"2", u"3"})
        appendOrFail(sample(QString::fromUtf16(s)));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(100, 'z'));
    f.close();
    const auto all = file.readAll();
    ASSERT_TRUE(all.ok());
    ASSERT_EQ(all->size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ((*all)[i].number, i + 1);
        EXPECT_EQ(TrimSpaces((*all)[i].record.subject), QString::number(i + 1));
    }
    EXPECT_FALSE(file.read(4)->has_value());
}

TEST_F(MailFileTest, appendOverwritesAPartialRecordShorterThanHalf) {
    appendOrFail(sample(QStringLiteral("1")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(R / 2 - 1, 'z'));
    f.close();
    EXPECT_EQ(*file.append(sample(QStringLiteral("2"))), 2);
    EXPECT_EQ(QFileInfo(path).size(), 2 * R);
}

TEST_F(MailFileTest, appendFollowsAPartialRecordLongerThanHalf) {
    appendOrFail(sample(QStringLiteral("1")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(R / 2 + 1, 'z'));
    f.close();
    EXPECT_EQ(*file.append(sample(QStringLiteral("3"))), 3);
    EXPECT_EQ(QFileInfo(path).size(), 3 * R);
    EXPECT_EQ(TrimSpaces(file.read(3).value()->subject), QStringLiteral("3"));
}

TEST(RecordNumbering, exactHalfRoundsToTheEvenNumber) {
    EXPECT_EQ(RecordFile::appendNumber(0, 10), 1);
    EXPECT_EQ(RecordFile::appendNumber(5, 10), 2);  // 1.5 -> 2
    EXPECT_EQ(RecordFile::appendNumber(15, 10), 2); // 2.5 -> 2
    EXPECT_EQ(RecordFile::appendNumber(14, 10), 2);
    EXPECT_EQ(RecordFile::appendNumber(16, 10), 3);
}

TEST_F(MailFileTest, numberPastTheLimitIsRefusedAndNothingIsWritten) {
    WriteBytes(path, QByteArray());
    QFile f(path);
    ASSERT_TRUE(f.resize(qint64(RecordFile::kMaxRecords) * R)); // sparse, no disk used
    const Result<int> n = file.append(sample(QStringLiteral("too many")));
    EXPECT_FALSE(n.ok());
    EXPECT_EQ(n.error(), (Error{.kind = Error::Kind::TooManyRecords, .number = RecordFile::kMaxRecords}));
    EXPECT_EQ(QFileInfo(path).size(), qint64(RecordFile::kMaxRecords) * R);
    EXPECT_FALSE(file.writeAt(RecordFile::kMaxRecords + 1, sample(QStringLiteral("x"))).ok());
}

TEST_F(MailFileTest, writeAtReplacesOnlyThatRecord) {
    for (const char16_t* s : {u"1", u"2", u"3"})
        appendOrFail(sample(QString::fromUtf16(s)));
    const QByteArray before = ReadBytes(path);
    ASSERT_TRUE(file.writeAt(2, sample(QStringLiteral("two"))).ok());
    const QByteArray after = ReadBytes(path);
    EXPECT_EQ(after.left(R), before.left(R));
    EXPECT_EQ(after.mid(2 * R), before.mid(2 * R));
    EXPECT_EQ(TrimSpaces(file.read(2).value()->subject), QStringLiteral("two"));
}

TEST_F(MailFileTest, listColumnsMatchTheWholeRecords) {
    for (const char16_t* s : {u"一", u"二"})
        appendOrFail(sample(QString::fromUtf16(s)));
    const auto rows = file.readListColumns();
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->size(), 2);
    const MailRecord second = file.read(2).value().value();
    EXPECT_EQ((*rows)[1].subject, second.subject);
    EXPECT_EQ((*rows)[1].date, second.date);
    EXPECT_EQ((*rows)[1].kind, second.kind);
    EXPECT_EQ((*rows)[1].party, second.party);
}

TEST_F(MailFileTest, invalidShiftJisInAStoredFileReadsWithReplacementCharacters) {
    QByteArray bytes = sample(QStringLiteral("x")).toBytes();
    bytes[0] = '\x82'; // lead byte followed by a space: not a character
    bytes[1] = ' ';
    bytes[2] = '\xFF';
    WriteBytes(path, bytes);
    const MailRecord back = file.read(1).value().value();
    EXPECT_TRUE(back.subject.startsWith(QChar(QChar::ReplacementCharacter)));
    EXPECT_EQ(back.live, 1);
}

TEST_F(MailFileTest, markDeletedThenCompactDropsTheRecordAndKeepsTheOthersInOrder) {
    for (const char16_t* s : {u"1", u"2", u"3"})
        appendOrFail(sample(QString::fromUtf16(s)));
    const QByteArray before = ReadBytes(path);
    ASSERT_TRUE(file.markDeleted(2).ok());
    EXPECT_EQ(ReadBytes(path).mid(R + MailRecord::kLiveOffset, 2), QByteArray("\0\0", 2));
    EXPECT_EQ(ReadBytes(path).mid(R, MailRecord::kLiveOffset), before.mid(R, MailRecord::kLiveOffset));
    ASSERT_TRUE(file.compact().ok());
    EXPECT_EQ(ReadBytes(path), before.left(R) + before.mid(2 * R));
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("ORXDATA2.TMP"))));
}
