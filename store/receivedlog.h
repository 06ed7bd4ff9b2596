#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <optional>

#include "store/apppaths.h"
#include "text/result.h"

class RecordFile;

// What the mail check stored while the server may still hold it, known by
// content: one line per stored message, "message-digest record-number
// record-digest" (SHA-224 of the message as the server sent it, BLAKE2b-160
// of its record), written before the record is appended. A check killed
// part-way leaves it behind; the next check fetches each message again and
// takes it as stored exactly when its digest matches a line no other message
// of that check matched, whose record is whole in the file and byte for byte
// the one logged. So a kill between any two system calls loses nothing and
// stores nothing twice, whatever the server's UIDLs do, and a message listed
// twice is stored twice. (A kill can also stop the record's write part-way:
// the piece is cut off before the next append.) Lines go out with one
// write() each and are made durable, like the records, before any DELE. (A power cut, unlike a kill,
// can keep a record and lose its unsynced line: that message is then stored
// twice, never lost.)
//
// Deleting a received mail in the history keeps the log in step: the line of
// that record is marked deleted by the user (its message is then deleted on
// the server and not stored again), and the lines above it note that their
// records may have moved down one place.
class ReceivedLog {
  public:
    static inline const QString kFileName = QStringLiteral("received.log");
    // Each account has a log of its own, so that two checks running side
    // by side never rewrite each other's lines; the first account's keeps
    // the name it always had.
    static QString fileNameFor(const QString& accountKey, bool firstAccount);
    // The logs of every account in the data folder.
    static QList<ReceivedLog> allIn(const AppPaths& paths);

    struct Line {
        QByteArray message; // hex digest of the message as the server sent it
        int number = 0;     // where its record was appended
        int lowest = 0;     // how far down deletions in the history may have moved it since
        QByteArray record;  // hex digest of the record's bytes
        bool deletedByUser = false;
        friend bool operator==(const Line&, const Line&) = default;
    };

    explicit ReceivedLog(QString path);
    const QString& path() const { return path_; }

    // Of a message as the server sent it: 56 hex digits.
    static QByteArray digest(QByteArrayView bytes);
    // The same as logs and fetched records written before keep it: 64 hex
    // digits (BLAKE2b-256, which records had there too).
    static QByteArray olderDigest(QByteArrayView bytes);
    static bool isOlderDigest(const QByteArray& messageDigest) { return messageDigest.size() == 64; }
    // Whether `text` is a message digest of either kind.
    static bool isMessageDigest(const QByteArray& text);
    // What a message may be known by: its digest, then, with `older`, its older one.
    static QList<QByteArray> digestsOf(QByteArrayView bytes, bool older);
    // Of a record: the digest the facts beside the records keep as well, so
    // that a check hashes each record it stores once. (Logs written before
    // kept a record's BLAKE2b-256; their lines are still read.)
    static QByteArray recordDigest(QByteArrayView record);
    // The digest of `record` of the kind `logged` is (a line's record digest,
    // of now or from before), to compare the two.
    static QByteArray recordDigestLike(const QByteArray& logged, QByteArrayView record);
    // The line of a message whose record (of `recordDigest`) is about to be
    // appended at `number`.
    static Line lineFor(const QByteArray& messageDigest, int number, const QByteArray& recordDigest);

    // The lines in order; none when there is no log. A last line cut short
    // by a kill is cut off the file: its record was never appended.
    Result<QList<Line>> read() const;
    Status append(const Line& line) const;
    Status sync() const;
    // Replaces the lines through a synced temporary file and a rename, or
    // removes the log when none is left.
    Status rewrite(const QList<Line>& lines) const;

    // Where the record of `line` is now: the first number from its number
    // down to its lowest, and not in `taken`, that holds a whole record byte
    // for byte the logged one; std::nullopt when there is none.
    static Result<std::optional<int>> locate(const Line& line, const RecordFile& records,
                                             const QSet<int>& taken);

    // A kill can stop a record's append part-way. The piece it left at the
    // end of the file, where one of `lines` says a record was going, is cut
    // off: longer than half a record, the next append would follow it and
    // keep it as a record. Call under the file's lock.
    static Status cutInterruptedAppend(const QList<Line>& lines, const RecordFile& records);

    // The user is deleting record `p` of `records`: the line of that record
    // is marked deleted by the user and the lines above it may now find their
    // records one place lower. Call under the file's lock, before the record
    // is marked: a stop in between leaves the record and deletes its message
    // on the server without storing it again.
    Status forgetRecord(const RecordFile& records, int p) const;

  private:
    QString path_;
};

// Before anything but a check appends to the received-mail file: the log
// read and cutInterruptedAppend, under the file's lock.
Status CutInterruptedReceivedAppend(const AppPaths& paths);

// Deletes record `p` of the received-mail file for the user, the log kept in
// step (forgetRecord, then the record), all under the file's lock.
Status DeleteReceivedRecord(const AppPaths& paths, int p);
