#include "search/historysearch.h"

#include <QMetaObject>

#include "search/historyindex.h"
#include "search/indexupdate.h"
#include "search/recordfilestate.h"
#include "search/recordscan.h"
#include "search/searchtext.h"

HistorySearch::HistorySearch(QString recordFile, QString indexPath, Listener listener)
    : recordFile_(std::move(recordFile)), indexPath_(std::move(indexPath)), listener_(std::move(listener)) {
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
        const QList<int> records = answer(query, generation);
        if (generation_ == generation)
            post([this, query, records, generation] {
                if (generation_ == generation && listener_.found)
                    listener_.found(query, records);
            });
    }
}

QList<int> HistorySearch::answer(const QString& query, quint64 generation) {
    const QStringList words = SearchText::words(query);
    RecordScan::Hooks hooks;
    hooks.cancelled = [this, generation] { return stop_ || generation_ != generation; };
    const Result<HistoryIndex::Snapshot> snapshot = HistoryIndex::lookUp(indexPath_, words);
    const Result<RecordFileState> now = RecordFileState::of(recordFile_);
    if (snapshot && snapshot->state && now) {
        const auto change = RecordFileState::between(*snapshot->state, *now, recordFile_);
        if (change && *change == RecordFileState::Change::None)
            return snapshot->records;
        if (change && *change == RecordFileState::Change::Appended) {
            refresh();
            const auto tail = RecordScan::find(recordFile_, words, snapshot->state->records() + 1, hooks);
            return snapshot->records + (tail ? *tail : QList<int>());
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
    return all ? *all : QList<int>();
}
