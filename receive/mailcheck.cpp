#include "receive/mailcheck.h"

#include <QFileInfo>

#include "receive/messageprocessor.h"
#include "store/mailfile.h"
#include "store/recordfile.h"
#include "store/recordfilelock.h"
#include "text/text.h"
#include "transport/mailbox.h"
#include "transport/usernotifier.h"

MailCheck::MailCheck(AppPaths paths, AppSettings settings, Mailbox& mailbox, UserNotifier& notifier,
                     MailCheckHooks hooks)
    : paths_(std::move(paths)), settings_(std::move(settings)), mailbox_(mailbox), notifier_(notifier),
      hooks_(std::move(hooks)), log_(paths_.dataFile(StoredUidlLog::kFileName)) {}

MailCheck::~MailCheck() = default;

MailCheck::Outcome MailCheck::CheckMail() {
    stored_.clear();
    Outcome outcome;
    outcome.waiting = -1;
    auto status = [&](const QString& text) {
        if (hooks_.setStatus)
            hooks_.setStatus(text);
    };
    auto finish = [&]() {
        status(outcome.waiting < 1 ? kNoNewMail : kNewMail);
        return outcome;
    };

    if (settings_.servers.Pop3Server.isEmpty()) {
        // A check that cannot reach a server is not "no new mail": ask for one.
        if (hooks_.openServerWindow)
            hooks_.openServerWindow();
        return finish();
    }
    const bool connected = mailbox_.connect(settings_.servers.Pop3Server);
    status(kChecking);
    if (!connected) {
        notifier_.notify(mailbox_.lastError(), kErrorTitle);
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

    outcome.waiting =
        mailbox_.authenticate(settings_.AccountId, settings_.AccountPassword, settings_.servers.UseApop != 0);
    if (outcome.waiting < 0) {
        notifier_.notify(CutAtNul(mailbox_.lastError()), kErrorTitle);
        mailbox_.close();
        return finish();
    }
    uidls_.clear();
    for (int n = 1; n <= outcome.waiting; ++n)
        if (const QString id = mailbox_.uidl(n); !id.isEmpty())
            uidls_.insert(n, id);
    // An empty mailbox lists every UIDL there is: what the log still holds is gone.
    const bool uidlsListed = outcome.waiting == 0 || !uidls_.isEmpty();
    if (const Status loaded = uidlsListed ? log_.load() : Status(); !loaded) {
        notifier_.notify(
            QStringLiteral("受信の記録を読めませんでした。メールはサーバーに残してあります。\n%1")
                .arg(loaded.error()),
            kErrorTitle);
        mailbox_.close();
        return finish();
    }
    MessageProcessor processor(paths_, notifier_);
    for (int n = 1; n <= outcome.waiting && !stopped_; ++n) {
        if (hooks_.progress)
            hooks_.progress(n, outcome.waiting);
        if (!handleMessage(n, processor, outcome))
            break;
    }
    const bool deletionsAccepted = deleteStored(outcome);
    mailbox_.close();
    if (uidlsListed)
        pruneLog(deletionsAccepted && mailbox_.removalsCommitted());
    return finish();
}

std::optional<bool> MailCheck::storedBefore(int n) {
    const std::optional<StoredUidlLog::Entry> entry = log_.find(uidls_.value(n));
    if (!entry)
        return false;
    const MailFile file = MailFile::received(paths_);
    const RecordFileLock lock(file.path());
    const Result<int> count = file.count(); // finishes a deletion left half done
    const Result<bool> stored = count ? log_.isStored(*entry, RecordFile(file.path(), MailRecord::kSize))
                                      : Result<bool>::failure(count.error());
    if (!stored) {
        notifier_.notify(
            QStringLiteral("受信したメールを確かめられませんでした。このメールと以降のメールはサー"
                           "バーに残してあります。\n%1")
                .arg(stored.error()),
            kErrorTitle);
        return std::nullopt;
    }
    return *stored;
}

Result<int> MailCheck::append(int n, const MailRecord& record) {
    const MailFile file = MailFile::received(paths_);
    const QString uidl = uidls_.value(n);
    if (uidl.isEmpty())
        return file.append(record);
    // Held from the log's line to the record, so that no deletion in the
    // history window moves the record number the line names.
    const RecordFileLock lock(file.path());
    if (const Result<int> count = file.count(); !count) // finishes a deletion left half done
        return count;
    const RecordFile records(file.path(), MailRecord::kSize);
    const QByteArray bytes = record.toBytes(); // encoded once for the line and the file
    const qint64 number = RecordFile::appendNumber(QFileInfo(file.path()).size(), MailRecord::kSize);
    if (number <= RecordFile::kMaxRecords)
        if (const Status logged = log_.add(uidl, int(number), bytes); !logged)
            return Result<int>::failure(logged.error());
    return records.append(bytes);
}

bool MailCheck::handleMessage(int n, MessageProcessor& processor, Outcome& outcome) {
    if (mailbox_.isTooLarge(n)) {
        notifier_.notify(
            QStringLiteral("メッセージ %1 は大きすぎるため受信できません（%2 バイト）。サーバーに残します。")
                .arg(n)
                .arg(mailbox_.size(n)),
            kErrorTitle);
        return true; // the next ones can still be stored; this one is never deleted
    }
    const std::optional<bool> already = storedBefore(n);
    if (!already)
        return false;
    if (*already) {
        ++outcome.storedBefore;
        stored_.append(n);
        return true;
    }
    const Result<ReceivedMessage> fetched = mailbox_.fetch(n);
    if (!fetched) {
        notifier_.notify(fetched.error(), kErrorTitle);
        return false;
    }
    ReceivedMessage message = *fetched;
    message.subject = CutAtNul(message.subject);
    message.date = CutAtNul(message.date);
    message.sender = CutAtNul(message.sender);
    message.header = CutAtNul(message.header);
    message.body = CutAtNul(message.body);

    LastReceived last{message.subject, message.sender, message.date, QString(), message.subject};
    const ProcessedMessage processed = processor.ProcessReceivedMessage(message);
    last.text = CutAtNul(processed.text);

    const MailRecord record{TrimSpaces(message.subject),
                            TrimSpaces(message.date),
                            processed.html ? MailRecord::kHtmlKind : MailRecord::kTextKind,
                            TrimSpaces(message.sender),
                            TrimSpaces(last.text),
                            1};
    const Result<int> appended = append(n, record);
    if (!appended) {
        notifier_.notify(QStringLiteral("受信したメールを保存できませんでした。このメールと以降のメールはサー"
                                        "バーに残してあります。\n%1")
                             .arg(appended.error()),
                         kErrorTitle);
        return false;
    }
    ++outcome.stored;
    stored_.append(n);
    if (hooks_.received)
        hooks_.received(last);
    return true;
}

bool MailCheck::deleteStored(Outcome& outcome) {
    if (stored_.isEmpty())
        return true;
    MailFile file = MailFile::received(paths_);
    file.setSyncObserver(hooks_.receivedFileSynced);
    Status synced = log_.sync();
    if (synced)
        synced = file.sync();
    if (!synced) {
        notifier_.notify(
            QStringLiteral(
                "受信したメールをディスクに書き出せませんでした。メールはサーバーに残してあります。\n%1")
                .arg(synced.error()),
            kErrorTitle);
        return false;
    }
    for (int n : std::as_const(stored_)) {
        if (const Status removed = mailbox_.remove(n); !removed) {
            notifier_.notify(removed.error(), kErrorTitle);
            return false;
        }
        ++outcome.deleted;
    }
    // A pipelining session sends the DELEs as one batch; their answers come now.
    if (const Status flushed = mailbox_.flushRemovals(); !flushed) {
        notifier_.notify(flushed.error(), kErrorTitle);
        return false;
    }
    return true;
}

void MailCheck::pruneLog(bool deletionsCommitted) {
    // A line is needed while its message may still be on the server: it was
    // listed in this session and not deleted for sure. (UIDLs are never
    // reused, so a message no longer listed is gone for good.)
    const QSet<int> deleted = deletionsCommitted ? QSet<int>(stored_.cbegin(), stored_.cend()) : QSet<int>();
    QSet<QString> needed;
    for (auto it = uidls_.cbegin(); it != uidls_.cend(); ++it)
        if (!deleted.contains(it.key()))
            needed.insert(it.value());
    // A line left behind costs only space; the next check tries again.
    (void)log_.keepOnly(needed);
}
