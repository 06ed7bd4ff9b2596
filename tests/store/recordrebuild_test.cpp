#include <QDir>
#include <QFile>
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
    ASSERT_TRUE(all.ok()) << all.error();
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

TEST(RebuildRecovery, aLeftoverGoesOnlyWhenTheFileOutgrewItAndNothingGoesWhenEitherCannotBeRead) {
    // A working file that is no rebuild of ours: dropped when the record file
    // provably outgrew it; both kept, and the reason told, when either cannot
    // be read, since the working file may be the only copy.
    enum Outcome { Dropped, KeptRecordFileUnreadable, KeptWorkingFileUnreadable };
    const struct {
        const char* name;
        // Given the record file of four addresses, leaves the working file.
        std::function<void(const QString& path, const QString& tmp)> make;
        Outcome outcome;
    } cases[] = {
        {"copy by another program stopped part-way: a prefix of the file",
         [](const QString& path, const QString& tmp) {
             WriteBytes(tmp, ReadBytes(path).left(2 * AddressRecord::kSize + 10));
         },
         Dropped},
        {"rebuild finished but its working file stayed, then an address was marked deleted",
         [](const QString& path, const QString& tmp) {
             WriteBytes(tmp, ReadBytes(path));
             const AddressRecord gone{QStringLiteral("1"), QStringLiteral("x@y"), 0};
             ASSERT_TRUE(RecordFile(path, AddressRecord::kSize).writeAt(2, gone.toBytes()).ok());
         },
         Dropped},
        {"folder in place of the record file",
         [](const QString& path, const QString& tmp) {
             WriteBytes(tmp, ReadBytes(path));
             ASSERT_TRUE(QFile::remove(path) && QDir().mkdir(path));
         },
         KeptRecordFileUnreadable},
        {"folder in place of the working file",
         [](const QString&, const QString& tmp) { ASSERT_TRUE(QDir().mkdir(tmp)); },
         KeptWorkingFileUnreadable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        const QString path = dir.file(QStringLiteral("orxdata20.data"));
        const QString tmp = dir.file(QStringLiteral("ORXDATA20.TMP"));
        const AddressFile book(path, tmp);
        for (int i = 0; i < 4; ++i)
            ASSERT_TRUE(book.AppendAddressRecord(QString::number(i), QStringLiteral("x@y")).ok());
        c.make(path, tmp);
        const QByteArray fileBefore = QFileInfo(path).isFile() ? ReadBytes(path) : QByteArray();
        const QByteArray tmpBefore = QFileInfo(tmp).isFile() ? ReadBytes(tmp) : QByteArray();

        const Result<int> count = book.CountAddressRecords();
        if (c.outcome == Dropped) {
            ASSERT_TRUE(count.ok()) << count.error();
            EXPECT_EQ(*count, 4);
            EXPECT_FALSE(QFileInfo::exists(tmp));
        } else {
            const QString notAFile = c.outcome == KeptRecordFileUnreadable ? path : tmp;
            EXPECT_EQ(count.error(),
                      (Error{.kind = Error::Kind::WorkingFileUnchecked, .name = path, .path = tmp}.because(
                          {.kind = Error::Kind::NotAFile, .path = notAFile})));
            EXPECT_TRUE(QFileInfo::exists(tmp));
            EXPECT_EQ(QFileInfo(tmp).isFile() ? ReadBytes(tmp) : QByteArray(), tmpBefore);
        }
        EXPECT_EQ(QFileInfo(path).isDir(), c.outcome == KeptRecordFileUnreadable);
        EXPECT_EQ(QFileInfo(path).isFile() ? ReadBytes(path) : QByteArray(), fileBefore);
    }
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
