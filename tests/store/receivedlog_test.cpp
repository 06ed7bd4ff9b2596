// The received log's file: lines cut short by a kill, finding a logged
// record where deletions may have moved it, and keeping in step with them.
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/receivedlog.h"
#include "store/recordfile.h"
#include "tests/support/tempfolder.h"

namespace {

ReceivedLog::Line line(const char* message, int number, const char* record, int lowest = 0) {
    ReceivedLog::Line l =
        ReceivedLog::lineFor(ReceivedLog::digest(message), number, ReceivedLog::recordDigest(record));
    if (lowest > 0)
        l.lowest = lowest;
    return l;
}

// A line as logs written before kept it: the message and the record by their BLAKE2b-256.
ReceivedLog::Line olderLine(const char* message, int number, const char* record, int lowest) {
    ReceivedLog::Line l = line(message, number, record, lowest);
    l.message = ReceivedLog::olderDigest(message);
    l.record = ReceivedLog::olderDigest(record);
    return l;
}

} // namespace

void PrintTo(const ReceivedLog::Line& l, std::ostream* out) {
    *out << l.message.left(8).constData() << "… " << l.number << ".." << l.lowest << ' '
         << l.record.left(8).constData() << "…" << (l.deletedByUser ? " deleted" : "");
}

TEST(ReceivedLog, aLineCutShortByAKillIsDroppedAndTheNextLineStandsOnItsOwn) {
    TempFolder folder;
    const ReceivedLog log(folder.file(QStringLiteral("received.log")));
    ReceivedLog::Line forgotten = line("b", 2, "record b");
    forgotten.deletedByUser = true;
    const QList<ReceivedLog::Line> lines = {line("a", 3, "record a", 1), forgotten,
                                            olderLine("e", 1, "record e", 0)};
    ASSERT_TRUE(log.rewrite(lines).ok());
    const QByteArray whole = ReadBytes(log.path());
    WriteBytes(log.path(), whole + ReceivedLog::digest("c") + " 3 0123"); // the write of c's line was cut off

    EXPECT_EQ(log.read().value(), lines);
    EXPECT_EQ(ReadBytes(log.path()), whole) << "the torn line is cut off the file";
    ASSERT_TRUE(log.append(line("d", 4, "record d")).ok());
    EXPECT_EQ(log.read().value(), lines + QList{line("d", 4, "record d")});
    ASSERT_TRUE(log.rewrite({}).ok());
    EXPECT_FALSE(QFile::exists(log.path()));
    EXPECT_FALSE(QFile::exists(log.path() + QStringLiteral(".tmp")));
}

TEST(ReceivedLog, onlyAPieceWhereALineWasAppendingIsCutOff) {
    constexpr qsizetype size = 100;
    ReceivedLog::Line deleted = line("b", 2, "record b");
    deleted.deletedByUser = true;
    const struct {
        const char* name;
        qint64 length;
        QList<ReceivedLog::Line> lines;
        qint64 after;
    } cases[] = {
        {"three-quarters-where-a-line-was-appending", 175, {line("a", 1, "a"), line("b", 2, "b")}, 100},
        {"a-piece-no-line-was-appending", 175, {line("a", 1, "a")}, 175},
        {"a-piece-where-the-user-deleted-the-lines-record", 175, {deleted}, 175},
        {"whole-records-only", 200, {line("c", 3, "c")}, 200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder folder;
        const RecordFile records(folder.file(QStringLiteral("records")), size);
        WriteBytes(records.path(), QByteArray(c.length, 'x'));
        ASSERT_TRUE(ReceivedLog::cutInterruptedAppend(c.lines, records).ok());
        EXPECT_EQ(QFileInfo(records.path()).size(), c.after);
    }
}

TEST(ReceivedLog, aRecordIsFoundOnlyWholeByteForByteAndWhereDeletionsCanHaveMovedIt) {
    TempFolder folder;
    const RecordFile records(folder.file(QStringLiteral("records")), 8);
    WriteBytes(records.path(), "AAAAAAAAbbbbbbbbCCCCCCCCDDDD");
    const struct {
        const char* name;
        ReceivedLog::Line line;
        QSet<int> taken;
        std::optional<int> found;
    } rows[] = {
        {"at-its-number", line("m", 1, "AAAAAAAA"), {}, 1},
        {"other-bytes-at-its-number", line("m", 2, "BBBBBBBB"), {}, std::nullopt},
        {"cut-short-by-a-kill", line("m", 4, "DDDDDDDD"), {}, std::nullopt},
        {"moved-down-by-a-deletion", line("m", 4, "CCCCCCCC", 2), {}, 3},
        {"an-older-same-record-is-not-its-own", line("m", 3, "AAAAAAAA", 2), {}, std::nullopt},
        {"taken-by-another-line", line("m", 1, "AAAAAAAA"), {1}, std::nullopt},
        {"a-line-written-before-with-the-longer-digest", olderLine("m", 4, "CCCCCCCC", 2), {}, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReceivedLog::locate(row.line, records, row.taken).value(), row.found);
    }
}

TEST(ReceivedLog, aDeletionInTheHistoryMarksItsRecordsLineAndWidensTheLinesAbove) {
    TempFolder folder;
    const RecordFile records(folder.file(QStringLiteral("records")), 8);
    WriteBytes(records.path(), "AAAAAAAABBBBBBBBCCCCCCCC");
    const ReceivedLog log(folder.file(QStringLiteral("received.log")));
    auto deleted = [](ReceivedLog::Line l) {
        l.deletedByUser = true;
        return l;
    };
    const QList<ReceivedLog::Line> before = {line("b", 2, "BBBBBBBB"), line("c", 3, "CCCCCCCC")};
    const struct {
        const char* name;
        int deletedRecord;
        QList<ReceivedLog::Line> after;
    } rows[] = {
        {"its-own-line", 2, {deleted(line("b", 2, "BBBBBBBB")), line("c", 3, "CCCCCCCC", 2)}},
        {"an-earlier-mail-the-log-does-not-know",
         1,
         {line("b", 2, "BBBBBBBB", 1), line("c", 3, "CCCCCCCC", 2)}},
        {"the-last-line", 3, {line("b", 2, "BBBBBBBB"), deleted(line("c", 3, "CCCCCCCC"))}},
        {"no-such-record", 4, before},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(log.rewrite(before).ok());
        ASSERT_TRUE(log.forgetRecord(records, row.deletedRecord).ok());
        EXPECT_EQ(log.read().value(), row.after);
    }
}
