#include "search/indexupdate.h"

#include "search/historyindex.h"
#include "search/recordfilestate.h"
#include "search/searchtext.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"

namespace {

bool cancelled(const IndexUpdate::Hooks& hooks) {
    return hooks.cancelled && hooks.cancelled();
}

enum class Outcome { Done, FileChanged, Cancelled, IndexFailed, FileFailed };
struct Attempt {
    Outcome outcome;
    Error error;
};

// Indexes records `from`.. of the file in one transaction; `whole` first
// empties the index and reads the file front to back, otherwise the records
// are read one by one (an append adds a few). A file that changed while it
// was read leaves the index as it was.
Attempt indexRecords(HistoryIndex& index, const QString& recordFile, const RecordFileState& state, int from,
                     bool whole, const IndexUpdate::Hooks& hooks) {
    if (Status s = index.begin(); !s)
        return {Outcome::IndexFailed, s.error()};
    Attempt stopped{Outcome::Done, {}};
    const int total = state.records();
    auto add = [&](int n, QByteArrayView bytes) {
        if (cancelled(hooks)) {
            stopped = {Outcome::Cancelled, {}};
            return false;
        }
        if (Status s = index.add(n, SearchText::ofRecord(bytes)); !s) {
            stopped = {Outcome::IndexFailed, s.error()};
            return false;
        }
        if (hooks.progress && (n % IndexUpdate::kBatchRecords == 0 || n == total))
            hooks.progress(n, total);
        return true;
    };
    const RecordFile records(recordFile, MailRecord::kSize);
    if (whole) {
        if (Status s = index.clear(); !s)
            stopped = {Outcome::IndexFailed, s.error()};
        else if (Status read = records.forEach(
                     [&](int n, QByteArrayView bytes) { return n <= total && add(n, bytes); });
                 !read)
            stopped = {Outcome::FileFailed, read.error()};
    } else {
        for (int n = from; n <= total && stopped.outcome == Outcome::Done; ++n) {
            const auto bytes = records.read(n);
            if (!bytes)
                stopped = {Outcome::FileFailed, bytes.error()};
            else if (!bytes->has_value())
                stopped = {Outcome::FileChanged, {}};
            else
                add(n, **bytes);
        }
    }
    if (stopped.outcome == Outcome::Done) {
        const Result<RecordFileState> after = RecordFileState::of(recordFile);
        if (!after)
            stopped = {Outcome::FileFailed, after.error()};
        else if (!(*after == state))
            stopped = {Outcome::FileChanged, {}};
    }
    if (stopped.outcome != Outcome::Done) {
        index.rollback();
        return stopped;
    }
    if (Status s = index.commit(state); !s)
        return {Outcome::IndexFailed, s.error()};
    return stopped;
}

} // namespace

namespace IndexUpdate {

Status bringUpToDate(const QString& recordFile, const QString& indexPath, const Hooks& hooks) {
    // A file that keeps changing while it is read (a mail check storing
    // mail) is tried again; the next request picks up whatever is left.
    constexpr int kAttempts = 3;
    Status last;
    for (int round = 0; round < kAttempts && !cancelled(hooks); ++round) {
        Result<HistoryIndex> index = HistoryIndex::open(indexPath);
        std::optional<RecordFileState> indexed;
        if (index) {
            const auto stored = index.value().indexedState();
            if (stored)
                indexed = *stored;
            else
                index = Result<HistoryIndex>::failure(stored.error());
        }
        if (!index) { // damaged, or of another format: built again
            HistoryIndex::remove(indexPath);
            index = HistoryIndex::open(indexPath);
            if (!index)
                return Status::failure(index.error());
        }
        const Result<RecordFileState> now = RecordFileState::of(recordFile);
        if (!now)
            return Status::failure(now.error());
        RecordFileState::Change change = RecordFileState::Change::Rewritten;
        if (indexed) {
            const auto between = RecordFileState::between(*indexed, *now, recordFile);
            if (!between)
                return Status::failure(between.error());
            change = *between;
        }
        if (change == RecordFileState::Change::None)
            return {};
        const bool appended = change == RecordFileState::Change::Appended;
        const Attempt attempt = indexRecords(index.value(), recordFile, *now,
                                             appended ? indexed->records() + 1 : 1, !appended, hooks);
        switch (attempt.outcome) {
        case Outcome::Done:
            return {};
        case Outcome::Cancelled:
            return Status::failure({.kind = Error::Kind::IndexingStopped});
        case Outcome::FileFailed:
            return Status::failure(attempt.error);
        case Outcome::IndexFailed: // damaged on the way: built again from nothing
            index = Result<HistoryIndex>::failure(attempt.error);
            HistoryIndex::remove(indexPath);
            last = Status::failure(attempt.error);
            break;
        case Outcome::FileChanged:
            last = Status::failure({.kind = Error::Kind::RecordsChanged});
            break;
        }
    }
    return last;
}

} // namespace IndexUpdate
