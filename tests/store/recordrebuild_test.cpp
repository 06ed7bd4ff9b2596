#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/addressfile.h"
#include "store/mailfile.h"
#include "store/recordrebuild.h"
#include "tests/support/tempfolder.h"

// A rebuild stopped after any step, as a crash would stop it, must leave the
// next operation on the file with every live record exactly once.
namespace {

using Step = RecordRebuild::Step;

struct StopAt {
    Step step;
    int occurrence; // for CopiedBatch: stop after this many batches
    const char* name;
};

class InterruptedRebuild : public testing::TestWithParam<StopAt> {
  protected:
    TempFolder dir;
    QString path = dir.file(QStringLiteral("orxdata2.data"));
    QString tmp = dir.file(QStringLiteral("ORXDATA2.TMP"));
    MailFile file{path, tmp};

    // Five records, the second and fourth marked deleted.
    QByteArray prepare() {
        QByteArray expected;
        for (int i = 1; i <= 5; ++i) {
            MailRecord r{QStringLiteral("件名%1").arg(i), QStringLiteral("d"),
                         MailRecord::kTextKind,           QStringLiteral("p"),
                         QStringLiteral("本文%1").arg(i), 1};
            EXPECT_TRUE(file.append(r).ok());
            if (i != 2 && i != 4)
                expected += r.toBytes();
        }
        EXPECT_TRUE(file.markDeleted(2).ok());
        EXPECT_TRUE(file.markDeleted(4).ok());
        return expected;
    }

    void stopRebuild(const StopAt& at) {
        int seen = 0;
        const RecordRebuild rebuild(path, tmp, MailRecord::kSize, MailRecord::kLiveOffset, 1);
        ASSERT_TRUE(rebuild
                        .run([&](Step s) {
                            if (s != at.step)
                                return true;
                            return ++seen < at.occurrence;
                        })
                        .ok());
        ASSERT_TRUE(QFileInfo::exists(tmp)) << "the stop left no working file to recover from";
    }
};

} // namespace

TEST_P(InterruptedRebuild, nextReadFinishesTheRebuild) {
    const QByteArray expected = prepare();
    stopRebuild(GetParam());
    const auto all = file.readAll();
    ASSERT_TRUE(all.ok()) << all.error().toStdString();
    EXPECT_EQ(all->size(), 3);
    EXPECT_EQ(ReadBytes(path), expected);
    EXPECT_FALSE(QFileInfo::exists(tmp));
}

TEST_P(InterruptedRebuild, nextAppendFinishesTheRebuildFirst) {
    const QByteArray expected = prepare();
    stopRebuild(GetParam());
    const MailRecord extra{QStringLiteral("新"), QStringLiteral("d"), MailRecord::kTextKind,
                           QStringLiteral("p"),  QStringLiteral("b"), 1};
    EXPECT_EQ(*file.append(extra), 4);
    EXPECT_EQ(ReadBytes(path), expected + extra.toBytes());
}

INSTANTIATE_TEST_SUITE_P(EveryStep, InterruptedRebuild,
                         testing::Values(StopAt{Step::MovedToWorkingFile, 1, "afterMovingToWorkingFile"},
                                         StopAt{Step::CreatedNewFile, 1, "afterCreatingEmptyFile"},
                                         StopAt{Step::CopiedBatch, 1, "afterFirstRecordCopied"},
                                         StopAt{Step::CopiedBatch, 2, "afterSecondRecordCopied"},
                                         StopAt{Step::CopiedBatch, 3, "afterLastRecordCopied"},
                                         StopAt{Step::ClosedFiles, 1, "beforeRemovingWorkingFile"}),
                         [](const testing::TestParamInfo<StopAt>& info) {
                             return std::string(info.param.name);
                         });

TEST(RebuildRecovery, staleWorkingFileFromAnInterruptedCopyIsDroppedAndTheFileKept) {
    // Another copy of the program stopped while copying the file to the
    // working file: the working file is a prefix of the record file.
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orxdata20.data"));
    const QString tmp = dir.file(QStringLiteral("ORXDATA20.TMP"));
    AddressFile book(path, tmp);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(book.AppendAddressRecord(QString::number(i), QStringLiteral("x@y")).ok());
    const QByteArray all = ReadBytes(path);
    WriteBytes(tmp, all.left(2 * AddressRecord::kSize + 10));
    EXPECT_EQ(*book.CountAddressRecords(), 4);
    EXPECT_EQ(ReadBytes(path), all);
    EXPECT_FALSE(QFileInfo::exists(tmp));
}

TEST(RebuildRecovery, staleWorkingFileIsDroppedWhenTheFileGrewAfterwards) {
    // A rebuild finished but its working file stayed; later mail was added.
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orxdata20.data"));
    const QString tmp = dir.file(QStringLiteral("ORXDATA20.TMP"));
    AddressFile book(path, tmp);
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("a"), QStringLiteral("a@x")).ok());
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("b"), QStringLiteral("b@x")).ok());
    WriteBytes(tmp, ReadBytes(path));
    // appended by a program that does not look for working files
    const AddressRecord c{QStringLiteral("c"), QStringLiteral("c@x"), 1};
    ASSERT_TRUE(RecordFile(path, AddressRecord::kSize).append(c.toBytes()).ok());
    const auto all = book.ReadAllAddressRecords();
    ASSERT_EQ(all->size(), 3);
    EXPECT_FALSE(QFileInfo::exists(tmp));
}

namespace {

// Seventy records, every third one marked deleted: the live records' bytes.
QByteArray fillSeventy(const MailFile& file) {
    QByteArray live;
    for (int i = 1; i <= 70; ++i) {
        const MailRecord r{QStringLiteral("件名%1").arg(i), QStringLiteral("d"),
                           MailRecord::kTextKind,           QStringLiteral("p"),
                           QStringLiteral("本文%1").arg(i), 1};
        EXPECT_TRUE(file.append(r).ok());
        if (i % 3 == 0)
            EXPECT_TRUE(file.markDeleted(i).ok());
        else
            live += r.toBytes();
    }
    return live;
}

} // namespace

TEST(RebuildBatches, compactionInSmallBatchesKeepsEveryLiveRecordInOrder) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orxdata2.data"));
    const QString tmp = dir.file(QStringLiteral("ORXDATA2.TMP"));
    const QByteArray live = fillSeventy(MailFile(path, tmp));
    int batches = 0;
    ASSERT_TRUE(RecordRebuild(path, tmp, MailRecord::kSize, MailRecord::kLiveOffset, 2)
                    .run([&](Step s) {
                        batches += s == Step::CopiedBatch;
                        return true;
                    })
                    .ok());
    EXPECT_EQ(batches, 24) << "47 live records in batches of two";
    EXPECT_EQ(ReadBytes(path), live);
    EXPECT_FALSE(QFileInfo::exists(tmp));
}

TEST(RebuildBatches, compactionWithTheDefaultBatchKeepsEveryLiveRecord) {
    // More live records than one default batch holds, so full batches and a
    // last partial one are all written.
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orxdata2.data"));
    const QString tmp = dir.file(QStringLiteral("ORXDATA2.TMP"));
    const MailFile file(path, tmp);
    const QByteArray live = fillSeventy(file);
    ASSERT_LT(RecordRebuild::defaultBatchRecords(MailRecord::kSize), 47);
    ASSERT_TRUE(file.compact().ok());
    EXPECT_EQ(ReadBytes(path), live);
}

TEST(RebuildBatches, stopAfterAnyBatchIsFinishedByTheNextOperation) {
    for (int stopAfter = 1; stopAfter <= 24; ++stopAfter) {
        SCOPED_TRACE(stopAfter);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("orxdata2.data"));
        const QString tmp = dir.file(QStringLiteral("ORXDATA2.TMP"));
        const MailFile file(path, tmp);
        const QByteArray live = fillSeventy(file);
        int batches = 0;
        ASSERT_TRUE(RecordRebuild(path, tmp, MailRecord::kSize, MailRecord::kLiveOffset, 2)
                        .run([&](Step s) { return s != Step::CopiedBatch || ++batches < stopAfter; })
                        .ok());
        ASSERT_TRUE(QFileInfo::exists(tmp));
        EXPECT_EQ(ReadBytes(path).size(), qsizetype(std::min(2 * stopAfter, 47)) * MailRecord::kSize);
        EXPECT_EQ(*file.count(), 47);
        EXPECT_EQ(ReadBytes(path), live);
        EXPECT_FALSE(QFileInfo::exists(tmp));
    }
}
