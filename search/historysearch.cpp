#include "search/historysearch.h"

#include "search/historyindex.h"
#include "search/indexupdate.h"
#include "search/recordscan.h"
#include "search/searchtext.h"

namespace {

std::optional<RecordFileState> stateOf(const QString& recordFile) {
    const Result<RecordFileState> state = RecordFileState::of(recordFile);
    return state ? std::optional(*state) : std::nullopt;
}

} // namespace

HistorySearch::HistorySearch(QString recordFile, QString indexPath, Listener listener)
    : recordFile_(std::move(recordFile)), indexPath_(std::move(indexPath)), listener_(std::move(listener)) {}

void HistorySearch::refresh() {
    // After the update that runs, if one does: it may have read the file
    // before the change that asks for this one.
    indexer_.queue([this](BackgroundTask::Job& job) { bringIndexUpToDate(job); });
}

void HistorySearch::find(const QString& query, const std::optional<MailAccounts::Narrowing>& account) {
    const quint64 generation = ++generation_;
    querier_.restart([this, query, account, generation](BackgroundTask::Job& job) {
        Answer found = answer(query, generation, job);
        if (account && !job.cancelled()) {
            // Facts that cannot be read narrow to nothing rather than show
            // another account's mail as this one's.
            const Result<QList<int>> narrowed = MailAccounts::narrow(recordFile_, found.records, *account);
            found.records = narrowed ? *narrowed : QList<int>();
        }
        if (!job.cancelled())
            job.post([this, query, account, found = std::move(found), generation] {
                deliver(query, account, found, generation);
            });
    });
}

void HistorySearch::bringIndexUpToDate(BackgroundTask::Job& job) {
    IndexUpdate::Hooks hooks;
    hooks.progress = [this, &job](int done, int total) {
        job.postLatest(0, [this, done, total] {
            if (listener_.indexing)
                listener_.indexing(done, total);
        });
    };
    hooks.cancelled = [&job] { return job.cancelled(); };
    // A failure leaves the queries reading the records; the next refresh
    // tries again.
    if (IndexUpdate::bringUpToDate(recordFile_, indexPath_, hooks))
        job.post([this] {
            if (listener_.indexReady)
                listener_.indexReady();
        });
}

void HistorySearch::deliver(const QString& query, const std::optional<MailAccounts::Narrowing>& account,
                            const Answer& found, quint64 generation) {
    if (generation_ != generation)
        return;
    // A deletion moves the records after it up; a mail check or an import
    // adds some. Record numbers read before either may name other mails now.
    if (stateOf(recordFile_) != found.fileState) {
        find(query, account);
        return;
    }
    if (listener_.found)
        listener_.found(query, found.records);
}

HistorySearch::Answer HistorySearch::answer(const QString& query, quint64 generation,
                                            BackgroundTask::Job& job) {
    const QStringList words = SearchText::words(query);
    RecordScan::Hooks hooks;
    hooks.cancelled = [&job] { return job.cancelled(); };
    const Result<HistoryIndex::Snapshot> snapshot = HistoryIndex::lookUp(indexPath_, words);
    // The answer holds for the file as it is now; a change from here on
    // shows when it is delivered.
    const std::optional<RecordFileState> now = stateOf(recordFile_);
    const auto refreshIndex = [this, &job] { job.post([this] { refresh(); }); };
    if (snapshot && snapshot->state && now) {
        const auto change = RecordFileState::between(*snapshot->state, *now, recordFile_);
        if (change && *change == RecordFileState::Change::None)
            return {snapshot->records, now};
        if (change && *change == RecordFileState::Change::Appended) {
            refreshIndex();
            const auto tail = RecordScan::find(recordFile_, words, snapshot->state->records() + 1, hooks);
            return {snapshot->records + (tail ? *tail : QList<int>()), now};
        }
    }
    // Not ready: every record is read, with progress, while the index is
    // brought up to date beside it.
    refreshIndex();
    hooks.progress = [this, &job, generation](int done, int total) {
        job.postLatest(0, [this, done, total, generation] {
            if (generation_ == generation && listener_.scanning)
                listener_.scanning(done, total);
        });
    };
    const auto all = RecordScan::find(recordFile_, words, 1, hooks);
    return {all ? *all : QList<int>(), now};
}
