#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "store/addressfile.h"
#include "store/recordfile.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

// The mail check appends on its worker thread while the history window
// deletes and compacts the same file: no append may be lost or doubled by a
// compaction it overlaps.
TEST(RecordFileLock, appendsFromAnotherThreadDuringCompactionsAreKeptExactlyOnce) {
    TempFolder dir;
    const AddressFile book(dir.file(QStringLiteral("orxdata20.data")),
                           dir.file(QStringLiteral("ORXDATA20.TMP")));
    constexpr int kPairs = 40;
    for (int i = 1; i <= kPairs; ++i) {
        ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("kept %1").arg(i), QStringLiteral("k@x")).ok());
        ASSERT_TRUE(
            book.AppendAddressRecord(QStringLiteral("dropped %1").arg(i), QStringLiteral("d@x")).ok());
    }

    std::atomic<bool> compacting = true;
    int appended = 0;
    int failedAppends = 0;
    // Well below the file's record limit, which a slow machine's compactions
    // would otherwise let the appender reach.
    constexpr int kMostAppends = RecordFile::kMaxRecords / 4;
    std::thread appender([&] {
        while (compacting.load() && appended + failedAppends < kMostAppends) {
            if (book.AppendAddressRecord(QStringLiteral("appended %1").arg(appended + 1),
                                         QStringLiteral("a@x")))
                ++appended;
            else
                ++failedAppends;
        }
    });
    // One deletion at a time, each followed by a compaction, as the history
    // window does it.
    for (int i = 1; i <= kPairs; ++i) {
        const auto all = book.ReadAllAddressRecords();
        ASSERT_TRUE(all.ok());
        const auto dropped = std::find_if(all->begin(), all->end(), [](const NumberedAddressRecord& r) {
            return r.record.status != 0 && r.record.name.startsWith(QStringLiteral("dropped"));
        });
        ASSERT_NE(dropped, all->end());
        EXPECT_TRUE(book.MarkAddressRecordDeleted(dropped->number, dropped->record).ok());
        EXPECT_TRUE(book.CompactAddressFile().ok());
    }
    compacting = false;
    appender.join();
    EXPECT_EQ(failedAppends, 0);
    ASSERT_GT(appended, 0);

    const auto final = book.ReadAllAddressRecords();
    ASSERT_TRUE(final.ok());
    QStringList names;
    for (const NumberedAddressRecord& r : *final)
        names << TrimSpaces(r.record.name);
    QStringList expected;
    for (int i = 1; i <= kPairs; ++i)
        expected << QStringLiteral("kept %1").arg(i);
    QStringList appendedNames;
    for (const QString& name : std::as_const(names))
        if (name.startsWith(QStringLiteral("appended")))
            appendedNames << name;
        else
            EXPECT_TRUE(expected.contains(name)) << name.toStdString();
    EXPECT_EQ(names.size() - appendedNames.size(), kPairs) << "the kept records, once each";
    QStringList inOrder;
    for (int i = 1; i <= appended; ++i)
        inOrder << QStringLiteral("appended %1").arg(i);
    EXPECT_EQ(appendedNames, inOrder) << "every append exactly once, in the order written";
}
