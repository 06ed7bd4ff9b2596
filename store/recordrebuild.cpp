#include "store/recordrebuild.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "store/posixfile.h"
#include "store/recordfile.h"
#include "store/recordfilelock.h"

namespace {

bool isLive(QByteArrayView record, qsizetype liveOffset) {
    const auto lo = static_cast<unsigned char>(record.at(liveOffset));
    const auto hi = static_cast<unsigned char>(record.at(liveOffset + 1));
    return (lo | hi) != 0; // any value other than 0 counts as in use
}

bool keepGoing(const RecordRebuild::StopHook& hook, RecordRebuild::Step step) {
    return !hook || hook(step);
}

} // namespace

qsizetype RecordRebuild::defaultBatchRecords(qsizetype recordSize) {
    return std::max<qsizetype>(1, (1 << 20) / recordSize);
}

RecordRebuild::RecordRebuild(QString file, QString workingFile, qsizetype recordSize, qsizetype liveOffset,
                             qsizetype batchRecords)
    : file_(std::move(file)), working_(std::move(workingFile)), recordSize_(recordSize),
      liveOffset_(liveOffset),
      batchRecords_(batchRecords > 0 ? batchRecords : defaultBatchRecords(recordSize)) {}

Status RecordRebuild::run(const StopHook& continueAfter) const {
    const RecordFileLock lock(file_);
    if (Status s = recover(); !s)
        return s;
    // A folder or a link in the file's place is reported, never moved aside.
    if (const Result<int> count = RecordFile(file_, recordSize_).count(); !count)
        return Status::failure(count.error());
    if (!QFileInfo::exists(file_))
        return RecordFile(file_, recordSize_).ensureExists();
    // Copying the file to the working file and deleting it, done as one
    // rename: the records are never in neither place, and never copied twice.
    if (std::rename(QFile::encodeName(file_).constData(), QFile::encodeName(working_).constData()) != 0)
        return Status::failure({.kind = Error::Kind::FileNotRenamed, .path = file_, .systemError = errno});
    SyncFolder(QFileInfo(file_).absolutePath());
    if (!keepGoing(continueAfter, Step::MovedToWorkingFile))
        return {};
    return copyLiveRecords(continueAfter);
}

Status RecordRebuild::copyLiveRecords(const StopHook& continueAfter) const {
    PosixFile out;
    if (!out.open(file_, PosixFile::CreateTruncate))
        return Status::failure(out.error());
    if (!keepGoing(continueAfter, Step::CreatedNewFile))
        return {};
    qint64 written = 0;
    bool stopped = false;
    std::optional<Error> writeError;
    QByteArray pending;
    const qsizetype batchBytes = batchRecords_ * recordSize_;
    pending.reserve(batchBytes);
    // Writes the gathered records; false when writing failed or the caller
    // stopped the rebuild after this batch.
    auto flush = [&]() {
        if (pending.isEmpty())
            return true;
        if (!out.writeAt(written, pending.constData(), pending.size())) {
            writeError = out.error();
            return false;
        }
        written += pending.size();
        pending.clear();
        stopped = !keepGoing(continueAfter, Step::CopiedBatch);
        return !stopped;
    };
    const Status read = RecordFile(working_, recordSize_).forEach([&](int, QByteArrayView record) {
        if (!isLive(record, liveOffset_))
            return true;
        pending.append(record.data(), record.size());
        return pending.size() < batchBytes || flush();
    });
    if (!read)
        return read;
    if (!stopped && !writeError)
        flush();
    if (stopped)
        return {};
    if (writeError)
        return Status::failure(*writeError);
    if (!out.sync() || !out.close())
        return Status::failure(out.error());
    if (!keepGoing(continueAfter, Step::ClosedFiles))
        return {};
    if (!QFile::remove(working_))
        return Status::failure({.kind = Error::Kind::FileNotRemoved, .path = working_});
    SyncFolder(QFileInfo(file_).absolutePath());
    return {};
}

Result<RecordRebuild::Leftover> RecordRebuild::examineWorkingFile() const {
    using R = Result<Leftover>;
    // The working file may hold the only copy of the records: when either
    // file cannot be read, neither is touched.
    auto unreadable = [&](const Error& why) {
        return R::failure(
            Error{.kind = Error::Kind::WorkingFileUnchecked, .name = file_, .path = working_}.because(why));
    };
    const Result<int> targetCount = RecordFile(file_, recordSize_).count();
    if (!targetCount)
        return unreadable(targetCount.error());
    if (!QFileInfo::exists(file_))
        return Leftover::UnfinishedRebuild;
    // A rebuild under way has written, in order, the first live records of
    // the working file and nothing else. A record file with more records, or
    // with a different one, was not made by this rebuild: the working file is
    // stale (left by a copy that stopped, or by a program that never cleaned
    // it up).
    PosixFile in;
    if (!in.open(file_, PosixFile::ReadOnly))
        return unreadable(in.error());
    int matched = 0;
    std::optional<Error> readError;
    QByteArray mine(recordSize_, Qt::Uninitialized);
    const Status read = RecordFile(working_, recordSize_).forEach([&](int, QByteArrayView record) {
        if (!isLive(record, liveOffset_))
            return true;
        if (matched >= *targetCount)
            return false;
        const qint64 got = in.readAt(qint64(matched) * recordSize_, mine.data(), recordSize_);
        if (got != recordSize_) {
            readError = got < 0 ? in.error() : Error{.kind = Error::Kind::FileShrank, .path = file_};
            return false;
        }
        if (QByteArrayView(mine) != record)
            return false;
        ++matched;
        return true;
    });
    if (!read)
        return unreadable(read.error());
    if (readError)
        return unreadable(*readError);
    return matched == *targetCount ? Leftover::UnfinishedRebuild : Leftover::Stale;
}

Status RecordRebuild::recover() const {
    const RecordFileLock lock(file_);
    if (!QFileInfo::exists(working_))
        return {};
    const Result<Leftover> leftover = examineWorkingFile();
    if (!leftover)
        return Status::failure(leftover.error());
    if (*leftover == Leftover::UnfinishedRebuild)
        return copyLiveRecords({});
    if (!QFile::remove(working_))
        return Status::failure({.kind = Error::Kind::FileNotRemoved, .path = working_});
    return {};
}
