#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "search/recordfilestate.h"
#include "text/result.h"

struct sqlite3;

// The search index of one record file: an SQLite database beside it holding
// each record's folded text (SearchText::ofRecord) in an FTS5 table with the
// trigram tokenizer, keyed by record number, and the state of the record
// file it was built from. Words of three characters or more are looked up
// in the index; shorter ones, which trigrams cannot find, through the
// trigrams that start with them, or by a look through the folded texts kept
// in the index when they start too many.
//
// A connection belongs to one thread. Every failure of SQLite reads as a
// damaged index, which the caller removes and builds again.
class HistoryIndex {
  public:
    ~HistoryIndex();
    HistoryIndex(HistoryIndex&&) noexcept;
    HistoryIndex& operator=(HistoryIndex&&) noexcept;

    // Opens the index, creating an empty one when there is none.
    static Result<HistoryIndex> open(const QString& path);
    // Removes the index with its journal files, once no lookUp() is reading it.
    static void remove(const QString& path);

    // The record file state the index was built from; none for a new index.
    Result<std::optional<RecordFileState>> indexedState();

    // Writing: begin, replace all or add, then commit with the state the
    // records were read from. Nothing is seen by readers before the commit.
    Status begin();
    Status clear();
    Status add(int number, const QString& foldedText);
    Status commit(const RecordFileState& state);
    void rollback();

    // Reading: the state and the matches of one snapshot.
    struct Snapshot {
        std::optional<RecordFileState> state;
        QList<int> records; // in record order
    };
    // More trigrams than `maxExpanded` starting with a short word: looking
    // through the texts is quicker than asking the index for each of them.
    static constexpr int kMaxExpandedTrigrams = 300;
    Result<Snapshot> find(const QStringList& words, int maxExpanded = kMaxExpandedTrigrams);
    // Opens an existing index, finds and closes it again; remove() waits for it.
    static Result<Snapshot> lookUp(const QString& path, const QStringList& words,
                                   int maxExpanded = kMaxExpandedTrigrams);

  private:
    explicit HistoryIndex(sqlite3* db);
    Status exec(const char* sql);
    Error lastError() const;
    Result<QString> shortWordQuery(const QString& word, int maxExpanded);

    sqlite3* db_ = nullptr;
};
