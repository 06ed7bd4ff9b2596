#include "receive/mailcheck.h"

#include <QFileInfo>
#include <algorithm>

#include "receive/fetchedqueue.h"
#include "receive/messageprocessor.h"
#include "receive/receivedmail.h"
#include "receive/senderverdicts.h"
#include "receive/servercopyrule.h"
#include "receive/storedrecords.h"
#include "search/mailaccounts.h"
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

MailCheck::MailCheck(AppPaths paths, AccountProfile account, Mailbox& mailbox, MailCheckHooks hooks,
                     std::optional<DnsTxtLookup::Server> dns, Clock now)
    : paths_(std::move(paths)), account_(std::move(account)), dns_(std::move(dns)), now_(std::move(now)),
      mailbox_(mailbox), hooks_(std::move(hooks)),
      fetched_(paths_.dataFile(FetchedRecord::fileName(account_.key))),
      log_(paths_.dataFile(ReceivedLog::fileNameFor(account_.key, account_.isFirst()))),
      received_(MailFile::received(paths_)) {}

MailCheck::~MailCheck() = default;

MailCheck::Outcome MailCheck::CheckMail() {
    toDelete_.clear();
    kept_.clear();
    durable_ = false;
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
        // Mail left on the server by an earlier check is not new.
        status(outcome.waiting - outcome.fetchedBefore < 1 ? CheckStatus::NoNewMail : CheckStatus::NewMail);
        outcome.errors = std::exchange(errors_, {});
        return outcome;
    };

    if (stopping()) // stopped before it began: no connection, no question to the user
        return finish();
    if (account_.pop3Server.isEmpty()) {
        // A check that cannot reach a server is not "no new mail": ask for one.
        outcome.needs = Needs::Server;
        return finish();
    }
    const Status connected = mailbox_.connect(account_.pop3Server);
    status(CheckStatus::Checking);
    if (!connected) {
        report(connected.error());
        return finish();
    }

    if (hooks_.accountLoaded)
        hooks_.accountLoaded({account_.loginId, account_.password, account_.signedIn});
    if (account_.loginId.isEmpty() || (account_.password.isEmpty() && !account_.signedIn)) {
        outcome.needs = Needs::Account;
        mailbox_.close();
        return finish();
    }

    const Result<int> waiting = mailbox_.authenticate(account_.loginId, account_.password, account_.apop);
    if (!waiting) {
        report(Error{.kind = K::LoginFailed}.because(waiting.error()));
        mailbox_.close();
        return finish();
    }
    outcome.waiting = *waiting;
    const Status loaded = [this] {
        const RecordFileLock lock(received_.path());
        QList<ReceivedLog::Line> othersGoing;
        for (const ReceivedLog& other : ReceivedLog::allIn(paths_)) {
            if (other.path() == log_.path())
                continue;
            const Result<QList<ReceivedLog::Line>> lines = other.read();
            if (!lines)
                return Status::failure(lines.error());
            othersGoing += *lines;
        }
        return log_.load(RecordFile(received_.path(), MailRecord::kSize), othersGoing);
    }();
    const Status matched = loaded ? matchFetchedRecord(outcome.waiting) : loaded;
    if (!matched) {
        report(Error{.kind = K::LogUnreadable}.because(matched.error()));
        mailbox_.close();
        return finish();
    }
    MessageProcessor processor(paths_);
    // Message n is decoded and stored on a thread of its own while this one
    // fetches the next: the two cores share the work, and the records still
    // go to the file in the server's order, one message at a time.
    FetchedQueue queue(kFetchedAheadBytes);
    int examined = 0;
    SenderVerdicts verdicts(paths_, account_.key, dns_);
    BackgroundTask::Beside storing =
        BackgroundTask::beside([&] { examined = storeAll(queue, processor, verdicts, outcome); });
    fetchAll(outcome.waiting, queue);
    storing.join();
    knownByContent_.insert(knownByUidl_);
    outcome.fetchedBefore = int(knownByContent_.size());
    chooseDeletions();
    const bool deletionsAccepted = deleteStoredAndClose(outcome);
    const bool committed = deletionsAccepted && mailbox_.removalsCommitted();
    const bool examinedAll = examined + knownByUidl_.size() == outcome.waiting;
    updateFetchedRecord(committed, examinedAll);
    return finish();
}

Status MailCheck::matchFetchedRecord(int count) {
    listing_.clear();
    knownByUidl_.clear();
    knownByContent_.clear();
    takenEntries_.clear();
    Result<QList<FetchedRecord::Entry>> entries = fetched_.read();
    if (!entries)
        return Status::failure(entries.error());
    entries_ = std::move(entries).value();
    olderDigests_ = log_.knowsOlderDigests() ||
                    std::any_of(entries_.cbegin(), entries_.cend(), [](const FetchedRecord::Entry& e) {
                        return ReceivedLog::isOlderDigest(e.message);
                    });
    // A UIDL that two listed messages share names neither.
    QHash<QString, int> listed;
    for (int n = 1; n <= count; ++n) {
        listing_.append({mailbox_.uidl(n), mailbox_.size(n)});
        ++listed[listing_.last().uidl];
    }
    QHash<QString, int> entryOf;
    entriesByDigest_.clear();
    for (int i = 0; i < entries_.size(); ++i) {
        entriesByDigest_.insert(entries_[i].message, i);
        if (!entries_[i].uidl.isEmpty())
            entryOf.insert(entries_[i].uidl, i);
    }
    QSet<int> passed;
    for (int n = 1; n <= count; ++n) {
        Listed& l = listing_[n - 1];
        if (l.uidl.isEmpty() || listed.value(l.uidl) > 1) {
            l.uidl.clear();
            continue;
        }
        // The size too, so that a UIDL a server gave another message since is no match.
        const auto entry = entryOf.constFind(l.uidl);
        if (entry != entryOf.cend() && entries_[*entry].size == l.size) {
            knownByUidl_.insert(n, *entry);
            passed.insert(n);
            takenEntries_.insert(*entry);
        }
    }
    mailbox_.passOver(passed);
    return {};
}

std::optional<int> MailCheck::knownByContent(const QList<QByteArray>& digests) {
    QList<int> candidates;
    for (const QByteArray& digest : digests)
        candidates += entriesByDigest_.values(digest);
    std::sort(candidates.begin(), candidates.end());
    for (const int e : std::as_const(candidates))
        if (!takenEntries_.contains(e)) {
            takenEntries_.insert(e);
            return e;
        }
    return std::nullopt;
}

void MailCheck::chooseDeletions() {
    const ServerCopy& copy = account_.serverCopy;
    QHash<int, std::optional<bool>> recordKept; // by entry
    // A history whose file is gone altogether was not deleted mail by mail:
    // nothing can be told of it.
    if (copy.mode == ServerCopy::Mode::DeleteWithHistory && !knownByContent_.isEmpty() &&
        QFileInfo::exists(received_.path())) {
        QList<int> refs; // entries whose record is known
        QList<StoredRecordRef> records;
        for (const int e : std::as_const(knownByContent_))
            if (!entries_[e].record.isEmpty()) {
                refs.append(e);
                records.append({entries_[e].number, entries_[e].record});
            }
        const RecordFileLock lock(received_.path());
        const Result<QList<std::optional<int>>> at =
            LocateStoredRecords(RecordFile(received_.path(), MailRecord::kSize), records);
        if (!at) // none of them can be told deleted
            report(Error{.kind = K::NotVerified}.because(at.error()));
        for (int i = 0; at && i < refs.size(); ++i) {
            recordKept.insert(refs[i], at->at(i).has_value());
            if (at->at(i))
                entries_[refs[i]].number = *at->at(i);
        }
    }
    const QDateTime now = now_();
    for (auto it = knownByContent_.cbegin(); it != knownByContent_.cend(); ++it) {
        const FetchedRecord::Entry& e = entries_[it.value()];
        if (LeavesServerNow(copy, QDateTime::fromSecsSinceEpoch(e.storedAt, Qt::UTC), now,
                            recordKept.value(it.value())))
            toDelete_.append(it.key());
    }
    std::sort(toDelete_.begin(), toDelete_.end());
}

void MailCheck::updateFetchedRecord(bool deletionsCommitted, bool examinedAll) {
    const QSet<int> deleted =
        deletionsCommitted ? QSet<int>(toDelete_.cbegin(), toDelete_.cend()) : QSet<int>();
    QHash<int, int> messageOf; // entry -> message
    for (auto it = knownByContent_.cbegin(); it != knownByContent_.cend(); ++it)
        messageOf.insert(it.value(), it.key());
    QList<FetchedRecord::Entry> next;
    for (int i = 0; i < entries_.size(); ++i) {
        const auto message = messageOf.constFind(i);
        // Not listed in a check that saw every message: gone from the server.
        if (message == messageOf.cend() ? examinedAll : deleted.contains(*message))
            continue;
        FetchedRecord::Entry e = entries_[i];
        if (message != messageOf.cend()) { // a new or changed UIDL is kept, a missing one too
            e.uidl = listing_[*message - 1].uidl;
            e.size = listing_[*message - 1].size;
        }
        next.append(e);
    }
    // The order that makes a kill at any point harmless: the records and
    // the received log are durable (makeDurable) before the fetched record
    // names a message, and the log forgets it only once the fetched record
    // is on disk. Killed before the rename, the next check finds the
    // message by its digest in the log and takes it as stored; killed after
    // it, the next check passes the message over and, having seen every
    // listed message, drops the log's line that no message matched. At no
    // point is a message known to neither, nor stored by both.
    const qint64 now = now_().toSecsSinceEpoch();
    QList<FetchedRecord::Entry> added;
    if (durable_)
        for (const int n : std::as_const(kept_)) {
            const std::optional<ReceivedLog::Line> line = log_.lineOf(n);
            if (!line)
                continue;
            added.append(
                {listing_[n - 1].uidl, listing_[n - 1].size, line->message, now, line->number, line->record});
        }
    // Mail that only came in is appended: a check of a large mailbox left on
    // the server writes what is new, not everything again.
    const bool unchanged = next == entries_;
    bool recorded = unchanged && added.isEmpty();
    if (!recorded) {
        const Status written = unchanged ? fetched_.append(added) : fetched_.write(next + added);
        if (!written)
            report(Error{.kind = K::NotSynced}.because(written.error()));
        recorded = written.ok();
    }
    // The log forgets a message once the server or the fetched record is sure of it.
    QSet<int> settled = deleted;
    if (recorded && durable_)
        settled.unite(QSet<int>(kept_.cbegin(), kept_.cend()));
    pruneLog(settled, examinedAll);
}

bool MailCheck::stopping() const {
    return stopped_ || CancelToken::current().isCancelled();
}

std::optional<bool> MailCheck::storedBefore(int n, const QList<QByteArray>& digests) {
    if (std::none_of(digests.cbegin(), digests.cend(),
                     [this](const QByteArray& digest) { return log_.mayHaveStored(digest); }))
        return false;
    const MailFile& file = received_;
    const RecordFileLock lock(file.path());
    const Result<int> count = file.count(); // finishes a deletion left half done
    for (const QByteArray& digest : digests) {
        const Result<bool> stored =
            count ? log_.storedBefore(n, digest, RecordFile(file.path(), MailRecord::kSize))
                  : Result<bool>::failure(count.error());
        if (!stored) {
            report(Error{.kind = K::NotVerified}.because(stored.error()));
            return std::nullopt;
        }
        if (*stored)
            return true;
    }
    return false;
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
    // fact that cannot be kept leaves the mail read, of no known sender and
    // the first account's; it is stored all the same.
    if (appended && facts_)
        (void)facts_->recordAppended(*appended, bytes,
                                     {UnreadMarks::kUnreadFact,
                                      {SenderVerdicts::kFact, verdict},
                                      {MailAccounts::kFact, account_.key.toUtf8()}},
                                     recordDigest);
    return appended;
}

void MailCheck::fetchAll(int count, FetchedQueue& queue) {
    using Kind = FetchedQueue::Item::Kind;
    for (int n = 1; n <= count && !stopping(); ++n) {
        if (knownByUidl_.contains(n))
            continue;
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
            item.digests = ReceivedLog::digestsOf(item.raw, olderDigests_);
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
        } else if (!storeMessage(item->n, item->raw, item->digests, processor, verdicts, outcome)) {
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

bool MailCheck::storeMessage(int n, const QByteArray& raw, const QList<QByteArray>& digests,
                             MessageProcessor& processor, SenderVerdicts& verdicts, Outcome& outcome) {
    // Known by what the server sends, not by its UIDL: UIDLs repeat, go
    // missing and change on real servers.
    QList<int>& settled = account_.serverCopy.keepsMail() ? kept_ : toDelete_;
    if (const std::optional<int> entry = knownByContent(digests)) {
        knownByContent_.insert(n, *entry);
        return true;
    }
    const std::optional<bool> already = storedBefore(n, digests);
    if (!already)
        return false;
    if (*already) {
        ++outcome.storedBefore;
        settled.append(n);
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
    const Result<int> appended = append(n, digests.first(), mail.processed.record, verdict);
    if (!appended) {
        processor.discard(mail.processed);
        reportNotStored(n, mail.message, appended.error());
        return false;
    }
    willSync(mail.processed);
    ++outcome.stored;
    settled.append(n);
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
    if (toDelete_.isEmpty() && kept_.isEmpty())
        return closed(true);
    if (const Status synced = makeDurable(); !synced) {
        report(Error{.kind = K::NotSynced}.because(synced.error()));
        return closed(false);
    }
    durable_ = true;
    if (toDelete_.isEmpty())
        return closed(true);
    for (int n : std::as_const(toDelete_)) {
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

void MailCheck::pruneLog(const QSet<int>& settled, bool examinedAll) {
    const RecordFileLock lock(received_.path());
    // A line left behind costs only space; the next check tries again.
    (void)log_.prune(settled, examinedAll);
}
