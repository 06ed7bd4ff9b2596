#include "search/historysearch.h"

#include <QMetaObject>

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
    : recordFile_(std::move(recordFile)), indexPath_(std::move(indexPath)), listener_(std::move(listener)) {
    receiver_.setObjectName(QStringLiteral("historySearchReports"));
    indexer_ = std::thread([this] { indexLoop(); });
    querier_ = std::thread([this] { queryLoop(); });
}

HistorySearch::~HistorySearch() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    stop_ = true;
    wake_.notify_all();
    indexer_.join();
    querier_.join();
}

void HistorySearch::post(std::function<void()> call) {
    // Queued to the receiver, which dies with this object: a call still
    // queued then is dropped.
    QMetaObject::invokeMethod(&receiver_, std::move(call), Qt::QueuedConnection);
}

void HistorySearch::refresh() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        refreshWanted_ = true;
    }
    wake_.notify_all();
}

void HistorySearch::find(const QString& query) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        pendingQuery_ = query;
        ++generation_;
    }
    wake_.notify_all();
}

void HistorySearch::indexLoop() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || refreshWanted_; });
            if (stopping_)
                return;
            refreshWanted_ = false;
        }
        IndexUpdate::Hooks hooks;
        hooks.progress = [this](int done, int total) {
            post([this, done, total] {
                if (listener_.indexing)
                    listener_.indexing(done, total);
            });
        };
        hooks.cancelled = [this] { return stop_.load(); };
        // A failure leaves the queries reading the records; the next
        // refresh tries again.
        if (IndexUpdate::bringUpToDate(recordFile_, indexPath_, hooks))
            post([this] {
                if (listener_.indexReady)
                    listener_.indexReady();
            });
    }
}

void HistorySearch::queryLoop() {
    for (;;) {
        QString query;
        quint64 generation;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pendingQuery_.has_value(); });
            if (stopping_)
                return;
            query = *std::exchange(pendingQuery_, std::nullopt);
            generation = generation_;
        }
        Answer found = answer(query, generation);
        if (generation_ == generation)
            post([this, query, found = std::move(found), generation] { deliver(query, found, generation); });
    }
}

void HistorySearch::deliver(const QString& query, const Answer& found, quint64 generation) {
    if (generation_ != generation)
        return;
    // A deletion moves the records after it up; a mail check or an import
    // adds some. Record numbers read before either may name other mails now.
    if (stateOf(recordFile_) != found.fileState) {
        find(query);
        return;
    }
    if (listener_.found)
        listener_.found(query, found.records);
}

HistorySearch::Answer HistorySearch::answer(const QString& query, quint64 generation) {
    const QStringList words = SearchText::words(query);
    RecordScan::Hooks hooks;
    hooks.cancelled = [this, generation] { return stop_ || generation_ != generation; };
    const Result<HistoryIndex::Snapshot> snapshot = HistoryIndex::lookUp(indexPath_, words);
    // The answer holds for the file as it is now; a change from here on
    // shows when it is delivered.
    const std::optional<RecordFileState> now = stateOf(recordFile_);
    if (snapshot && snapshot->state && now) {
        const auto change = RecordFileState::between(*snapshot->state, *now, recordFile_);
        if (change && *change == RecordFileState::Change::None)
            return {snapshot->records, now};
        if (change && *change == RecordFileState::Change::Appended) {
            refresh();
            const auto tail = RecordScan::find(recordFile_, words, snapshot->state->records() + 1, hooks);
            return {snapshot->records + (tail ? *tail : QList<int>()), now};
        }
    }
    // Not ready: every record is read, with progress, while the index is
    // brought up to date beside it.
    refresh();
    hooks.progress = [this, generation](int done, int total) {
        post([this, done, total, generation] {
            if (generation_ == generation && listener_.scanning)
                listener_.scanning(done, total);
        });
    };
    const auto all = RecordScan::find(recordFile_, words, 1, hooks);
    return {all ? *all : QList<int>(), now};
}
