#pragma once

#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>

#include "search/mailaccounts.h"
#include "search/recordfilestate.h"
#include "text/backgroundtask.h"

// Search over one history, off the window's thread: one background task
// keeps the index up to date, another answers queries. A query is answered from the
// index when the index matches the record file, from the index and a read of
// the records appended since, or, while the index is not ready, by reading
// every record (with progress). A newer query stops an older one. An answer
// is reported only while the record file is as it was read for it (its
// record numbers move after a deletion); otherwise the query is asked again.
// What the tasks report runs on the thread that created this object (home),
// in order; nothing is reported after it is destroyed. Home only.
class HistorySearch {
  public:
    struct Listener {
        std::function<void(const QString& query, const QList<int>& records)> found;
        std::function<void(int done, int total)> indexing; // while the index is built whole
        std::function<void()> indexReady;                  // the index matches the file
        std::function<void(int done, int total)> scanning; // while a query reads the records
    };

    HistorySearch(QString recordFile, QString indexPath, Listener listener);
    ~HistorySearch() = default;
    HistorySearch(const HistorySearch&) = delete;
    HistorySearch& operator=(const HistorySearch&) = delete;

    // Brings the index up to date in the background (the history was
    // opened, a mail arrived, one was deleted).
    void refresh();
    // Answers through Listener::found with the records holding every word
    // of the query (all records for a query without words), of one account
    // only when `account` names one.
    void find(const QString& query, const std::optional<MailAccounts::Narrowing>& account = std::nullopt);

    const QString& recordFile() const { return recordFile_; }

  private:
    struct Answer {
        QList<int> records;
        std::optional<RecordFileState> fileState; // the file they were read from; none if unknown
    };
    void bringIndexUpToDate(BackgroundTask::Job& job);
    Answer answer(const QString& query, quint64 generation, BackgroundTask::Job& job);
    void deliver(const QString& query, const std::optional<MailAccounts::Narrowing>& account,
                 const Answer& answer, quint64 generation);

    const QString recordFile_;
    const QString indexPath_;
    Listener listener_;
    std::atomic<quint64> generation_ = 0; // of the newest query
    // Their reports go home to objects named "historySearchReports", so that
    // they can be told apart from the window's own events.
    BackgroundTask indexer_{QStringLiteral("historySearchReports")};
    BackgroundTask querier_{QStringLiteral("historySearchReports")}; // a newer query cancels an older one
};
