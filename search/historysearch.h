#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "search/recordfilestate.h"

// Search over one history, off the window's thread: one worker keeps the
// index up to date, another answers queries. A query is answered from the
// index when the index matches the record file, from the index and a read of
// the records appended since, or, while the index is not ready, by reading
// every record (with progress). A newer query stops an older one. An answer
// is reported only while the record file is as it was read for it (its
// record numbers move after a deletion); otherwise the query is asked again.
// What the workers report runs on the thread that created this object, in
// order; nothing is reported after it is destroyed.
class HistorySearch {
  public:
    struct Listener {
        std::function<void(const QString& query, const QList<int>& records)> found;
        std::function<void(int done, int total)> indexing; // while the index is built whole
        std::function<void()> indexReady;                  // the index matches the file
        std::function<void(int done, int total)> scanning; // while a query reads the records
    };

    HistorySearch(QString recordFile, QString indexPath, Listener listener);
    ~HistorySearch();
    HistorySearch(const HistorySearch&) = delete;
    HistorySearch& operator=(const HistorySearch&) = delete;

    // Brings the index up to date in the background (the history was
    // opened, a mail arrived, one was deleted).
    void refresh();
    // Answers through Listener::found with the records holding every word
    // of the query (all records for a query without words).
    void find(const QString& query);

    const QString& recordFile() const { return recordFile_; }

  private:
    struct Answer {
        QList<int> records;
        std::optional<RecordFileState> fileState; // the file they were read from; none if unknown
    };
    void indexLoop();
    void queryLoop();
    Answer answer(const QString& query, quint64 generation);
    void deliver(const QString& query, const Answer& answer, quint64 generation);
    void post(std::function<void()> call);

    const QString recordFile_;
    const QString indexPath_;
    Listener listener_;
    QObject receiver_; // lives on the creating thread; queued calls run there (named, so its events can be
                       // told apart)

    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool refreshWanted_ = false;
    std::optional<QString> pendingQuery_;
    std::atomic<quint64> generation_ = 0; // of the newest query
    std::atomic<bool> stop_ = false;
    std::thread indexer_;
    std::thread querier_;
};
