// The stored-UIDL log's file: lines cut short by a kill, later lines, pruning.
#include <QFile>
#include <gtest/gtest.h>

#include "receive/storeduidllog.h"
#include "store/recordfile.h"
#include "tests/support/tempfolder.h"

TEST(StoredUidlLog, aLineCutShortByAKillIsDroppedAndTheNextLineStandsOnItsOwn) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("received-uidl.log"));
    StoredUidlLog log(path);
    ASSERT_TRUE(log.add(QStringLiteral("a"), 1, "record a").ok());
    ASSERT_TRUE(log.add(QStringLiteral("b"), 2, "record b").ok());
    const QByteArray whole = ReadBytes(path);
    WriteBytes(path, whole + "c 3 0123"); // the write of c's line was cut off

    StoredUidlLog reread(path);
    ASSERT_TRUE(reread.load().ok());
    EXPECT_EQ(reread.size(), 2);
    EXPECT_FALSE(reread.find(QStringLiteral("c")));
    EXPECT_EQ(ReadBytes(path), whole) << "the torn line is cut off the file";
    ASSERT_TRUE(reread.add(QStringLiteral("d"), 3, "record d").ok());
    ASSERT_TRUE(
        reread.add(QStringLiteral("a"), 4, "record a").ok()); // stored again later: the later line wins

    StoredUidlLog last(path);
    ASSERT_TRUE(last.load().ok());
    EXPECT_EQ(last.size(), 3);
    ASSERT_TRUE(last.find(QStringLiteral("d")));
    EXPECT_EQ(last.find(QStringLiteral("d"))->number, 3);
    EXPECT_EQ(last.find(QStringLiteral("a"))->number, 4);
}

TEST(StoredUidlLog, aRecordCountsAsStoredOnlyWhenWholeAndTheSameBytes) {
    TempFolder folder;
    const RecordFile records(folder.file(QStringLiteral("records")), 8);
    StoredUidlLog log(folder.file(QStringLiteral("received-uidl.log")));
    ASSERT_TRUE(log.add(QStringLiteral("a"), 1, "AAAAAAAA").ok());
    ASSERT_TRUE(log.add(QStringLiteral("b"), 2, "BBBBBBBB").ok());
    WriteBytes(records.path(), "AAAAAAAAbbbbbbbb"
                               "CCCC");
    ASSERT_TRUE(log.add(QStringLiteral("c"), 3, "CCCCCCCC").ok());
    EXPECT_TRUE(log.isStored(*log.find(QStringLiteral("a")), records).value());
    EXPECT_FALSE(log.isStored(*log.find(QStringLiteral("b")), records).value()) << "other bytes";
    EXPECT_FALSE(log.isStored(*log.find(QStringLiteral("c")), records).value()) << "not whole";
}

TEST(StoredUidlLog, pruningKeepsTheLinesAskedForAndRemovesAnEmptyLog) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("received-uidl.log"));
    StoredUidlLog log(path);
    for (const char* id : {"a", "b", "c"})
        ASSERT_TRUE(log.add(QString::fromLatin1(id), 1, id).ok());
    ASSERT_TRUE(log.keepOnly({QStringLiteral("b"), QStringLiteral("x")}).ok());
    StoredUidlLog reread(path);
    ASSERT_TRUE(reread.load().ok());
    EXPECT_EQ(reread.size(), 1);
    EXPECT_TRUE(reread.find(QStringLiteral("b")));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".tmp")));
    ASSERT_TRUE(reread.keepOnly({}).ok());
    EXPECT_FALSE(QFile::exists(path));
}
