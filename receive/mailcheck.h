#pragma once

// receive/: the mail check: fetching, unpacking attachments and HTML mail,
// storing the received records, deleting on the server.

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

#include "auth/dnstxtlookup.h"
#include "receive/receivedlogsession.h"

#include "settings/accountfile.h"
#include "settings/accountprofile.h"
#include "store/apppaths.h"
#include "store/fetchedrecord.h"
#include "store/mailfile.h"
#include "store/mailrecord.h"
#include "text/result.h"

class Mailbox;
class MailFacts;
class SenderVerdicts;
struct ProcessedMessage;
struct ReceivedMessage;

// The values of the last message received, for the history window's detail
// fields (Text7 subject, Text8 sender, Text9 date, rtfEd text, Text10 the
// subject as it came).
struct LastReceived {
    QString subject;
    QString sender;
    QString date;
    QString text;
    QString rawSubject;
};

// What a check says of itself in the main window's status box (Text1).
enum class CheckStatus { Checking, NewMail, NoNewMail };

// What the check reports to the windows around it while it runs.
struct MailCheckHooks {
    std::function<void(CheckStatus)> setStatus;
    // When several accounts are checked: the account `key` begins (true) or
    // ends (false) its check.
    std::function<void(const QString& key, bool checking)> accountChecking;
    std::function<void(const Account&)> accountLoaded; // the account window's boxes
    std::function<void(const LastReceived&)> received; // once per stored message
    // Message n of count is next (told for every message, before it is fetched).
    std::function<void(int n, int count)> progress;
    // Told of each file and folder made durable before the deletions, the
    // received-mail file last.
    std::function<void(const QString& path)> synced;
};

// The mail check: fetch every waiting message, store each in the
// received-mail file, unpack it, and delete it on the server.
//
// While one message is decoded and stored on a thread of its own, the next
// ones are fetched (and the POP3 session pipelines its RETRs): a few
// megabytes at most wait between the two.
// No message is deleted before all of it is on disk: its attachments and its
// HTML mail folder are written before its record, the records of a check are
// appended, everything the check wrote is made durable at one point (the
// files, the folders they are in, the log, the records), and only then are
// the stored messages deleted (POP3 commits deletions at QUIT). A message of
// which any part cannot be written leaves nothing behind and stays on the
// server, and so do those after it; the outcome says which and why.
// Each stored mail gets a verdict on its sender (SenderVerdicts), beside its
// record, on the storing side: our own DKIM check's DNS lookups never hold
// up the fetching.
// A log of what was stored, known by content (ReceivedLog), makes a check cut
// short by a crash safe: its next run fetches each message again and deletes
// what was already stored without storing it twice, and what the user
// deleted in the history meanwhile without storing it again.
//
// What the account leaves on its server is named in its fetched record
// (FetchedRecord): the next checks list those messages and pass them over,
// known by UIDL and size, or, where the server's UIDLs are missing,
// repeated or changed, fetched and known by content. Whether such a message
// leaves the server later is the account's choice (LeavesServerNow).
//
// A check works on its own copies of the paths and the account, so that it
// can run on a worker thread; the login it used goes out through the hooks.
// Nothing the user has to be told stops it: what went wrong is in its outcome.
class MailCheck {
  public:
    // What the user must give before the account can be checked.
    enum class Needs { Nothing, Server, Account };

    struct Outcome {
        int waiting = 0; // what the server reported; -1 when it was not asked
        int stored = 0;
        int storedBefore = 0;  // stored by a check cut short (or deleted by the user since)
        int fetchedBefore = 0; // stored by an earlier check, their copy left on the server
        int deleted = 0;
        Needs needs = Needs::Nothing;
        QList<Error> errors; // for the user, in the order they happened
    };
    using Clock = std::function<QDateTime()>;

    // Fetched but not yet stored: enough to keep both cores busy.
    static constexpr qint64 kFetchedAheadBytes = 8 << 20;

    // `dns`: the resolver our own DKIM check asks (the system's by default);
    // `now`: when mail left on the server was stored, and how old it is.
    MailCheck(AppPaths paths, AccountProfile account, Mailbox& mailbox, MailCheckHooks hooks,
              std::optional<DnsTxtLookup::Server> dns = DnsTxtLookup::systemServer(),
              Clock now = &QDateTime::currentDateTimeUtc);
    ~MailCheck();

    Outcome CheckMail();
    // From any thread: fetch no message after the one in hand. What was
    // stored is still made durable and then deleted on the server. A check
    // run as a background job stops the same way when the job is cancelled
    // (where its connection also ends: the deletions wait for the next check).
    void stop() { stopped_ = true; }

  private:
    // A message as the server listed it.
    struct Listed {
        QString uidl; // empty when it cannot tell this message from others
        qint64 size = -1;
    };
    // Reads the fetched record and knows the listed messages it names by
    // UIDL: those are not fetched.
    Status matchFetchedRecord(int count);
    // On the storing side: the entry of the fetched record with this
    // message's content (one of its digests) that no other message took, if
    // any; it is taken now.
    std::optional<int> knownByContent(const QList<QByteArray>& digests);
    // After the storing: which messages stored by earlier checks leave the server now.
    void chooseDeletions();
    // The fetched record after this check: the messages it stored and left,
    // without those gone from the server.
    void updateFetchedRecord(bool deletionsCommitted, bool examinedAll);
    // The session's side: fetches message after message for the storing side.
    void fetchAll(int count, class FetchedQueue& queue);
    // The storing side, on a thread of its own; gives how many messages it examined.
    int storeAll(FetchedQueue& queue, class MessageProcessor& processor, SenderVerdicts& verdicts,
                 Outcome& outcome);
    void openFacts(); // on the storing thread
    // Returns false when the check must end here (nothing after n is stored).
    bool storeMessage(int n, const QByteArray& raw, const QList<QByteArray>& digests,
                      MessageProcessor& processor, SenderVerdicts& verdicts, Outcome& outcome);
    void report(Error error) { errors_.append(std::move(error)); }
    // Whether message n was stored by an earlier check; nothing on a failure reported.
    std::optional<bool> storedBefore(int n, const QList<QByteArray>& digests);
    Result<int> append(int n, const QByteArray& digest, const MailRecord& record, const QByteArray& verdict);
    void reportNotStored(int n, const ReceivedMessage& message, Error why);
    // What a stored message wrote besides its record, to be made durable before it is deleted.
    void willSync(const ProcessedMessage& processed);
    Status makeDurable();
    // Makes what was stored durable, deletes what leaves the server and ends
    // the session; true when the server took every deletion asked for.
    bool deleteStoredAndClose(Outcome& outcome);
    bool stopping() const;
    // Drops the log's lines of the messages `settled` (gone from the server,
    // or named in the fetched record) and of those no longer listed.
    void pruneLog(const QSet<int>& settled, bool examinedAll);

    const AppPaths paths_;
    const AccountProfile account_;
    const std::optional<DnsTxtLookup::Server> dns_;
    const Clock now_;
    Mailbox& mailbox_;
    MailCheckHooks hooks_;
    QList<Error> errors_;
    QList<int> toDelete_;   // stored by this check or found stored before, leaving the server
    QList<int> kept_;       // the same, left on the server: the fetched record gets them
    bool durable_ = false;  // what this check stored is on disk for good
    QList<Listed> listing_; // message n at n - 1
    const FetchedRecord fetched_;
    QList<FetchedRecord::Entry> entries_;
    QHash<int, int> knownByUidl_;    // message -> entry; not fetched
    QHash<int, int> knownByContent_; // the same, of those fetched (written by the storing side)
    QMultiHash<QByteArray, int> entriesByDigest_;
    // The log or the fetched record knows messages by the digest written
    // before (a copy before this one wrote them): fetched messages get both.
    bool olderDigests_ = false;
    QSet<int> takenEntries_; // entries that stand for a listed message (the storing side adds)
    QStringList unsyncedFiles_;
    QStringList unsyncedFolders_;
    ReceivedLogSession log_;
    // The storing thread's connection to the facts beside the records (the
    // unread marks, the verdicts); none when they cannot be opened (the mail
    // then comes in read, with no verdict).
    std::unique_ptr<MailFacts> facts_;
    // Its name found once: finding it lists the data folder (its name's case may differ).
    const MailFile received_;
    std::atomic<bool> stopped_ = false;
};
