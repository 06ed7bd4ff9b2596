#include "receive/mailcheck.h"

#include "receive/messageprocessor.h"
#include "store/mailfile.h"
#include "text/text.h"
#include "transport/mailbox.h"
#include "transport/usernotifier.h"

MailCheck::MailCheck(AppPaths paths, AppSettings settings, Mailbox& mailbox, UserNotifier& notifier,
                     MailCheckHooks hooks)
    : paths_(std::move(paths)), settings_(std::move(settings)), mailbox_(mailbox), notifier_(notifier),
      hooks_(std::move(hooks)) {}

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
    if (account.id.isEmpty() || account.password.isEmpty()) {
        if (hooks_.openAccountWindow)
            hooks_.openAccountWindow();
        mailbox_.close();
        return finish();
    }

    outcome.waiting =
        mailbox_.authenticate(settings_.AccountId, settings_.AccountPassword, settings_.servers.UseApop != 0);
    if (outcome.waiting < 0) {
        notifier_.notify(CutAtNul(mailbox_.lastError()), kErrorTitle);
    } else {
        MessageProcessor processor(paths_, notifier_);
        for (int n = 1; n <= outcome.waiting && !stopped_; ++n)
            if (!handleMessage(n, processor, outcome))
                break;
        deleteStored(outcome);
    }
    mailbox_.close();
    return finish();
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
    const MailFile file = MailFile::received(paths_);
    const Result<int> appended = file.append(record);
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

void MailCheck::deleteStored(Outcome& outcome) {
    if (stored_.isEmpty())
        return;
    MailFile file = MailFile::received(paths_);
    file.setSyncObserver(hooks_.receivedFileSynced);
    if (const Status synced = file.sync(); !synced) {
        notifier_.notify(
            QStringLiteral(
                "受信したメールをディスクに書き出せませんでした。メールはサーバーに残してあります。\n%1")
                .arg(synced.error()),
            kErrorTitle);
        return;
    }
    for (int n : std::as_const(stored_)) {
        if (const Status removed = mailbox_.remove(n); !removed) {
            notifier_.notify(removed.error(), kErrorTitle);
            return;
        }
        ++outcome.deleted;
    }
    // A pipelining session sends the DELEs as one batch; their answers come now.
    if (const Status flushed = mailbox_.flushRemovals(); !flushed)
        notifier_.notify(flushed.error(), kErrorTitle);
}
