// The record of what an account left on its server: what a kill during an
// append leaves behind is never read, and the next append is read whole.
#include <QFile>
#include <gtest/gtest.h>

#include "store/fetchedrecord.h"
#include "tests/support/tempfolder.h"

namespace {

FetchedRecord::Entry entry(int i) {
    return {
        QStringLiteral("uid %1").arg(i),           100 + i, QByteArray(64, char('a' + i)), 1765184400 + i, i,
        i % 2 ? QByteArray(64, 'f') : QByteArray()};
}

TEST(FetchedRecord, anAppendAKillCutShortIsDroppedAndTheNextOneReadWhole) {
    const struct {
        const char* name;
        qint64 lost; // bytes of the appended line that never reached the file; -1: all but the first
    } rows[] = {
        {"whole", 0},
        {"but-its-line-end", 1},
        {"but-part-of-its-record-digest", 20},
        {"only-its-first-byte", -1},
    };
    TempFolder dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FetchedRecord file(dir.file(QString::fromLatin1(row.name)));
        ASSERT_TRUE(file.write({entry(1), entry(2)}).ok());
        const qint64 before = QFile(file.path()).size();
        ASSERT_TRUE(file.append({entry(3)}).ok());
        const qint64 after = QFile(file.path()).size();
        const qint64 cut = row.lost < 0 ? after - before - 1 : row.lost;
        ASSERT_TRUE(QFile(file.path()).resize(after - cut));
        const QList<FetchedRecord::Entry> expected =
            cut == 0 ? QList{entry(1), entry(2), entry(3)} : QList{entry(1), entry(2)};
        EXPECT_EQ(file.read().value(), expected);
        ASSERT_TRUE(file.append({entry(4)}).ok());
        EXPECT_EQ(file.read().value(), expected + QList{entry(4)});
    }
}

} // namespace
