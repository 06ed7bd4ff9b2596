#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <optional>

#include "store/receivedlog.h"
#include "text/result.h"

// One check's use of the received log: which line stands for which listed
// message, so that a line answers for one message at most and a record for
// one line, and which lines the check leaves behind. Call it under the
// received-mail file's lock, which a deletion in the history holds too.
class ReceivedLogSession {
  public:
    explicit ReceivedLogSession(QString path);
    const QString& path() const { return log_.path(); }

    // Reads the log at the start of a check. A piece of a record at the end
    // of the file where a line's record was being appended is cut off: that
    // append never finished, and its message is stored again.
    // `othersGoing`: the lines of the other accounts' logs, whose checks
    // append to the same file.
    Status load(const RecordFile& records, const QList<ReceivedLog::Line>& othersGoing = {});
    // Whether a line knows its message by the digest written before.
    bool knowsOlderDigests() const;
    // Whether a line that no message of this check matched yet has this digest.
    bool mayHaveStored(const QByteArray& messageDigest) const;
    // Whether message n (its digest) was stored by an earlier check, or
    // deleted by the user since: its message is then deleted without being
    // stored. A line whose record is nowhere stands for nothing any more.
    Result<bool> storedBefore(int n, const QByteArray& messageDigest, const RecordFile& records);
    // Logs message n before its record (ReceivedLog::recordDigest) is appended at `number`.
    Status add(int n, const QByteArray& messageDigest, int number, const QByteArray& recordDigest);
    // The line that stands for message n in this check, if any.
    std::optional<ReceivedLog::Line> lineOf(int n) const;
    // The record of the line added last was not appended after all.
    void recordNotAppended();
    Status sync() const { return log_.sync(); }
    // At the end of the check: drops the lines of the messages `deleted` for
    // good, the lines that stand for nothing, and, when the check examined
    // every listed message, the lines no message matched (theirs are gone).
    Status prune(const QSet<int>& deleted, bool examinedAll);

  private:
    bool unused(int line) const;
    // The lines of a message digest, in the log's order.
    QList<int> linesOf(const QByteArray& messageDigest) const;

    ReceivedLog log_;
    QList<ReceivedLog::Line> lines_; // as last read, and those this check added
    QHash<int, int> messageOf_;      // line index -> message number in this check
    QSet<int> void_;                 // lines whose records are nowhere
    QSet<int> taken_;                // records the lines of this check stand for
    // Line indexes by message digest, so that a check of many messages does
    // not read every line for every message.
    QMultiHash<QByteArray, int> byMessage_;
};
