#include "app/receiveaction.h"

#include <QLineEdit>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "search/unreadmarks.h"
#include "settings/idpassform.h"
#include "text/backgroundtask.h"
#include "transport/mailbox.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"

namespace {

QString statusText(CheckStatus status) {
    switch (status) {
    case CheckStatus::Checking:
        return QStringLiteral("メールのチェックをしています。");
    case CheckStatus::NewMail:
        return QStringLiteral("新着メール有り。");
    case CheckStatus::NoNewMail:
        return QStringLiteral("新着メール無し。");
    }
    return {};
}

// What unpacking noted goes out under the program's name; what failed, as an error.
QString titleOf(const Error& error) {
    const bool note = error.kind == Error::Kind::FolderUnusable || error.kind == Error::Kind::PartsMissing;
    return note ? QStringLiteral("Fennick") : QStringLiteral("エラー");
}

} // namespace

ReceiveAction::ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form,
                             MailboxFactory mailboxes)
    : context_(context), windows_(windows), form_(form), mailboxes_(std::move(mailboxes)),
      checks_(std::make_unique<MailCheckThread>(
          windowHooks(), [this](const MailCheck::Outcome& outcome) { finished(outcome); })) {}

ReceiveAction::~ReceiveAction() = default;

void ReceiveAction::finished(const MailCheck::Outcome& outcome) {
    // A check on the timer leaves the settings windows to the user's next check.
    settingsWanted_ = outcome.needs != MailCheck::Needs::Nothing;
    if (trigger_ == CheckTrigger::User && outcome.needs == MailCheck::Needs::Server)
        windows_.openServers();
    if (trigger_ == CheckTrigger::User && outcome.needs == MailCheck::Needs::Account)
        windows_.openAccount();
    form_.showBusy(false);
    form_.showProgress(0, 0);
    if (outcome.stored > 0)
        form_.showUnread(UnreadMarks::receivedCount(context_.paths));
    if (trigger_ == CheckTrigger::User)
        for (const Error& error : outcome.errors)
            context_.prompter->message(&form_, ErrorText(error), titleOf(error));
    if (onEnded)
        onEnded({trigger_, outcome, keptQuestion_, settingsWanted_});
}

MailCheckHooks ReceiveAction::windowHooks() {
    MailCheckHooks hooks;
    hooks.setStatus = [this](CheckStatus status) { form_.Text1->setText(statusText(status)); };
    hooks.accountChecking = [this](const QString& key, bool checking) {
        for (auto& [account, now] : checking_)
            if (account.key == key)
                now = checking;
        QString names;
        for (const auto& [account, now] : checking_)
            if (now)
                names += QStringLiteral("「%1」").arg(account.shownName());
        if (!names.isEmpty())
            form_.Text1->setText(names + QStringLiteral("のメールをチェックしています。"));
    };
    hooks.accountLoaded = [this](const Account& account) {
        IdPassForm* w = windows_.accountWindow();
        w->IdText->setText(account.id);
        w->PassText->setText(account.password);
        context_.settings.AccountId = account.id;
        context_.settings.AccountPassword = account.password;
    };
    hooks.received = [this](const LastReceived& last) { windows_.showReceived(last); };
    // A few messages come in at once; more are counted where the user can see.
    hooks.progress = [this](int n, int count) {
        if (count > kCountedFrom)
            form_.showProgress(n, count);
    };
    return hooks;
}

bool ReceiveAction::run(CheckTrigger trigger) {
    if (checks_->isRunning())
        return false;
    trigger_ = trigger;
    keptQuestion_.reset();
    settingsWanted_ = false;
    ConnectionQuestion ask = AskUser(context_.prompter);
    if (trigger == CheckTrigger::Timer)
        ask = [this](const Error& problem) {
            // Asked on the check's thread: the answer is No, the question goes home with the end.
            BackgroundTask::Job::current()->post([this, problem] { keptQuestion_ = problem; });
            return false;
        };
    // The check gets this run's accounts as they are now, their passwords
    // read from the keyring on its own thread; it changes none.
    const AccountsThisRun accounts = context_.accountsThisRun();
    checking_.clear();
    for (const AccountProfile& account : accounts.listed())
        checking_.append({account, false});
    const bool started = checks_->start(
        context_.paths, [accounts] { return accounts.load(); },
        [mailboxes = mailboxes_, ask](const AccountProfile& account) { return mailboxes(ask, account); });
    if (started)
        form_.showBusy(true);
    return started;
}
