#include "receive/mailcheck.h"

#include <QFileInfo>

#include "receive/fetchedqueue.h"
#include "receive/messageprocessor.h"
#include "receive/receivedmail.h"
#include "receive/senderverdicts.h"
#include "search/unreadmarks.h"
#include "store/mailfile.h"
#include "store/posixfile.h"
#include "store/recorddigest.h"
#include "store/recordfile.h"
#include "store/recordfilelock.h"
#include "text/backgroundtask.h"
#include "text/text.h"
#include "transport/mailbox.h"

using K = Error::Kind;

MailCheck::MailCheck(AppPaths paths, AppSettings settings, Mailbox& mailbox, MailCheckHooks hooks,
                     std::optional<DnsTxtLookup::Server> dns)
    : paths_(std::move(paths)), settings_(std::move(settings)), dns_(std::move(dns)), mailbox_(mailbox),
      hooks_(std::move(hooks)), log_(paths_.dataFile(ReceivedLog::kFileName)),
      received_(MailFile::received(paths_)) {}

MailCheck::~MailCheck() = default;

MailCheck::Outcome MailCheck::CheckMail() {
    stored_.clear();
    unsyncedFiles_.clear();
    unsyncedFolders_.clear();
    errors_.clear();
    Outcome outcome;
    outcome.waiting = -1;
    auto status = [&](CheckStatus now) {
        if (hooks_.setStatus)
            hooks_.setStatus(now);
    };
    auto finish = [&]() {
        status(outcome.waiting < 1 ? CheckStatus::NoNewMail : CheckStatus::NewMail);
        outcome.errors = std::exchange(errors_, {});
        return outcome;
    };

    if (stopping()) // stopped before it began: no connection, no question to the user
        return finish();
    if (settings_.servers.Pop3Server.isEmpty()) {
        // A check that cannot reach a server is not "no new mail": ask for one.
        if (hooks_.openServerWindow)
            hooks_.openServerWindow();
        return finish();
    }
    const Status connected = mailbox_.connect(settings_.servers.Pop3Server);
    status(CheckStatus::Checking);
    if (!connected) {
        report(connected.error());
        return finish();
    }

    const Account account = AccountFile(paths_.accountFile()).loadForCheck(settings_.unsavedAccount);
    if (hooks_.accountLoaded)
        hooks_.accountLoaded(account);
    settings_.AccountId = account.id;
    settings_.AccountPassword = account.password;
    if (account.id.isEmpty() || (account.password.isEmpty() && !account.signedIn)) {
        if (hooks_.openAccountWindow)
            hooks_.openAccountWindow();
        mailbox_.close();
        return finish();
    }

    const Result<int> waiting =
        mailbox_.authenticate(settings_.AccountId, settings_.AccountPassword, settings_.servers.UseApop != 0);
    if (!waiting) {
        report(Error{.kind = K::LoginFailed}.because(waiting.error()));
        mailbox_.close();
        return finish();
    }
    outcome.waiting = *waiting;
    const Status loaded = [this] {
        const RecordFileLock lock(received_.path());
        return log_.load(RecordFile(received_.path(), MailRecord::kSize));
    }();
    if (!loaded) {
        report(Error{.kind = K::LogUnreadable}.because(loaded.error()));
        mailbox_.close();
        return finish();
    }
    MessageProcessor processor(paths_);
    // Message n is decoded and stored on a thread of its own while this one
    // fetches the next: the two cores share the work, and the records still
    // go to the file in the server's order, one message at a time.
    FetchedQueue queue(kFetchedAheadBytes);
    int examined = 0;
    SenderVerdicts verdicts(paths_, dns_);
    BackgroundTask::Beside storing =
        BackgroundTask::beside([&] { examined = storeAll(queue, processor, verdicts, outcome); });
    fetchAll(outcome.waiting, queue);
    storing.join();
    const bool deletionsAccepted = deleteStoredAndClose(outcome);
    pruneLog(deletionsAccepted && mailbox_.removalsCommitted(), examined == outcome.waiting);
    return finish();
}

bool MailCheck::stopping() const {
    return stopped_ || CancelToken::current().isCancelled();
}

std::optional<bool> MailCheck::storedBefore(int n, const QByteArray& digest) {
    if (!log_.mayHaveStored(digest))
        return false;
    const MailFile& file = received_;
    const RecordFileLock lock(file.path());
    const Result<int> count = file.count(); // finishes a deletion left half done
    const Result<bool> stored = count
                                    ? log_.storedBefore(n, digest, RecordFile(file.path(), MailRecord::kSize))
                                    : Result<bool>::failure(count.error());
    if (!stored) {
        report(Error{.kind = K::NotVerified}.because(stored.error()));
        return std::nullopt;
    }
    return *stored;
}

Result<int> MailCheck::append(int n, const QByteArray& digest, const MailRecord& record,
                              const QByteArray& verdict) {
    // Held from the log's line to the record, so that no deletion in the
    // history window moves the record number the line names.
    const MailFile& file = received_;
    const RecordFileLock lock(file.path());
    if (const Result<int> count = file.count(); !count) // finishes a deletion left half done
        return count;
    const RecordFile records(file.path(), MailRecord::kSize);
    const QByteArray bytes = record.toBytes();           // encoded once for the line and the file
    const QByteArray recordDigest = RecordDigest(bytes); // hashed once for the line and the facts
    const qint64 number = RecordFile::appendNumber(QFileInfo(file.path()).size(), MailRecord::kSize);
    const bool logged = number <= RecordFile::kMaxRecords;
    if (logged)
        if (const Status s = log_.add(n, digest, int(number), recordDigest.toHex()); !s)
            return Result<int>::failure(s.error());
    if (facts_)
        facts_->beforeAppend();
    const Result<int> appended = records.append(bytes);
    if (!appended && logged)
        log_.recordNotAppended();
    // Under the lock still, so that no deletion moves the record first. A
    // fact that cannot be kept leaves the mail read and of no known sender;
    // it is stored all the same.
    if (appended && facts_)
        (void)facts_->recordAppended(
            *appended, bytes, {UnreadMarks::kUnreadFact, {SenderVerdicts::kFact, verdict}}, recordDigest);
    return appended;
}

void MailCheck::fetchAll(int count, FetchedQueue& queue) {
    using Kind = FetchedQueue::Item::Kind;
    for (int n = 1; n <= count && !stopping(); ++n) {
        if (hooks_.progress)
            hooks_.progress(n, count);
        FetchedQueue::Item item;
        item.n = n;
        if (mailbox_.isTooLarge(n)) {
            item.kind = Kind::TooLarge;
            item.size = mailbox_.size(n);
        } else if (Result<QByteArray> raw = mailbox_.fetchRaw(n); raw) {
            item.raw = std::move(raw).value();
            // Here rather than on the storing side, which has more to do.
            item.digest = ReceivedLog::digest(item.raw);
        } else {
            item.kind = Kind::NotFetched;
            item.error = raw.error();
        }
        // Nothing after a message that could not be fetched or stored.
        const bool fetched = item.kind != Kind::NotFetched;
        if (!queue.push(std::move(item)) || !fetched)
            break;
    }
    queue.finish();
}

// Only this thread reports while the two run: the fetching side hands its
// failures over in the queue.
int MailCheck::storeAll(FetchedQueue& queue, MessageProcessor& processor, SenderVerdicts& verdicts,
                        Outcome& outcome) {
    using Kind = FetchedQueue::Item::Kind;
    // Every listed message looked at, so that a line no message matched is
    // known to be gone. (One too large to fetch was never stored either.)
    int examined = 0;
    openFacts();
    while (std::optional<FetchedQueue::Item> item = queue.pop()) {
        if (item->kind == Kind::TooLarge) {
            report({.kind = K::TooLarge, .number = item->n, .bytes = item->size});
        } else if (item->kind == Kind::NotFetched) {
            report(item->error);
            break;
        } else if (!storeMessage(item->n, item->raw, item->digest, processor, verdicts, outcome)) {
            queue.refuse();
            break;
        }
        ++examined;       // too large ones too: the next ones can still be stored; it is never deleted
        if (stopping()) { // the message in hand is stored; what was fetched after it stays on the server
            queue.refuse();
            break;
        }
    }
    facts_.reset(); // its connection ends on the thread that opened it
    return examined;
}

void MailCheck::openFacts() {
    const RecordFileLock lock(received_.path());
    Result<MailFacts> facts = MailFacts::open(received_.path());
    facts_ = facts ? std::make_unique<MailFacts>(std::move(facts).value()) : nullptr;
}

bool MailCheck::storeMessage(int n, const QByteArray& raw, const QByteArray& digest,
                             MessageProcessor& processor, SenderVerdicts& verdicts, Outcome& outcome) {
    // Known by what the server sends, not by its UIDL: UIDLs repeat, go
    // missing and change on real servers.
    const std::optional<bool> already = storedBefore(n, digest);
    if (!already)
        return false;
    if (*already) {
        ++outcome.storedBefore;
        stored_.append(n);
        return true;
    }
    const ReceivedMail mail = ReceivedMail::prepare(raw, processor);
    for (const Error& notice : mail.processed.notices)
        report(notice);
    if (mail.processed.failure) {
        reportNotStored(n, mail.message, *mail.processed.failure);
        return false;
    }
    // Judged before it is stored, so that its facts go with its record:
    // what DNS our own check waits for holds no lock.
    const QByteArray verdict = verdicts.verdictOf(raw, mail.message);
    const Result<int> appended = append(n, digest, mail.processed.record, verdict);
    if (!appended) {
        processor.discard(mail.processed);
        reportNotStored(n, mail.message, appended.error());
        return false;
    }
    willSync(mail.processed);
    ++outcome.stored;
    stored_.append(n);
    if (hooks_.received)
        hooks_.received({mail.message.subject, mail.message.sender, mail.message.date,
                         CutAtNul(mail.processed.text), mail.message.subject});
    return true;
}

void MailCheck::reportNotStored(int n, const ReceivedMessage& message, Error why) {
    report(Error{.kind = K::NotStored, .number = n, .subject = message.subject, .sender = message.sender}
               .because(std::move(why)));
}

void MailCheck::willSync(const ProcessedMessage& processed) {
    auto folder = [this](const QString& path) {
        if (!unsyncedFolders_.contains(path))
            unsyncedFolders_.append(path);
    };
    if (!processed.createdFolder.isEmpty()) {
        folder(processed.createdFolder);
        folder(QFileInfo(processed.createdFolder).path()); // where its name is
    }
    for (const QString& file : processed.files) {
        unsyncedFiles_.append(file);
        folder(QFileInfo(file).path());
    }
}

Status MailCheck::makeDurable() {
    auto told = [this](const QString& path) {
        if (hooks_.synced)
            hooks_.synced(path);
    };
    for (const QString& file : std::as_const(unsyncedFiles_)) {
        if (const Status s = SyncFile(file); !s)
            return s;
        told(file);
    }
    for (const QString& folder : std::as_const(unsyncedFolders_)) {
        if (!SyncFolder(folder))
            return Status::failure({.kind = K::FolderNotSynced, .path = folder});
        told(folder);
    }
    if (const Status s = log_.sync(); !s)
        return s;
    told(log_.path());
    const MailFile& file = received_;
    if (const Status s = file.sync(); !s)
        return s;
    told(file.path());
    return {};
}

bool MailCheck::deleteStoredAndClose(Outcome& outcome) {
    auto closed = [this](bool accepted) {
        mailbox_.close();
        return accepted;
    };
    if (stored_.isEmpty())
        return closed(true);
    if (const Status synced = makeDurable(); !synced) {
        report(Error{.kind = K::NotSynced}.because(synced.error()));
        return closed(false);
    }
    for (int n : std::as_const(stored_)) {
        if (const Status removed = mailbox_.remove(n); !removed) {
            report(removed.error());
            return closed(false);
        }
        ++outcome.deleted;
    }
    // A pipelining session sends the DELEs as one batch with the QUIT behind
    // them; their answers come now.
    if (const Status flushed = mailbox_.flushRemovalsAndClose(); !flushed) {
        report(flushed.error());
        return false;
    }
    return true;
}

void MailCheck::pruneLog(bool deletionsCommitted, bool examinedAll) {
    const QSet<int> deleted = deletionsCommitted ? QSet<int>(stored_.cbegin(), stored_.cend()) : QSet<int>();
    const RecordFileLock lock(received_.path());
    // A line left behind costs only space; the next check tries again.
    (void)log_.prune(deleted, examinedAll);
}
