#include "receive/mailcheckthread.h"

#include <tuple>

#include "receive/accountchecks.h"
#include "transport/mailbox.h"

namespace {

using Job = BackgroundTask::Job;

// A hook that, called on a thread of the job, runs `hook` with copies of
// its arguments at home.
template <typename... Args>
std::function<void(Args...)> relayed(const std::function<void(Args...)>& hook, Job& job) {
    if (!hook)
        return {};
    return [hook, &job](Args... args) {
        job.post([hook, copies = std::make_tuple(std::decay_t<Args>(args)...)] { std::apply(hook, copies); });
    };
}

// The same for a hook whose latest call is all that matters (what the
// window shows: the mail just stored, n / N): a check of a thousand mails
// then does not queue a thousand repaints of the history.
template <typename... Args>
std::function<void(Args...)> relayedLatest(const std::function<void(Args...)>& hook, Job& job, int slot) {
    if (!hook)
        return {};
    return [hook, &job, slot](Args... args) {
        job.postLatest(slot, [hook, copies = std::make_tuple(std::decay_t<Args>(args)...)] {
            std::apply(hook, copies);
        });
    };
}

MailCheckHooks relayedHooks(const MailCheckHooks& home, Job& job) {
    enum Slot { Received, Progress };
    MailCheckHooks worker;
    worker.setStatus = relayed(home.setStatus, job);
    worker.accountChecking = relayed(home.accountChecking, job);
    worker.accountLoaded = relayed(home.accountLoaded, job);
    worker.received = relayedLatest(home.received, job, Received);
    worker.progress = relayedLatest(home.progress, job, Progress);
    worker.synced = relayed(home.synced, job);
    return worker;
}

} // namespace

MailCheckThread::MailCheckThread(MailCheckHooks hooks, Finished finished)
    : hooks_(std::move(hooks)), finished_(std::move(finished)) {}

bool MailCheckThread::start(AppPaths paths, AccountsSource source, MailboxFactory mailboxes) {
    auto outcome = std::make_shared<MailCheck::Outcome>();
    return task_.start(
        [this, paths = std::move(paths), source = std::move(source), mailboxes = std::move(mailboxes),
         outcome](Job& job) {
            const MailCheckHooks hooks = relayedHooks(hooks_, job);
            const Accounts::Loaded loaded = source();
            const QList<AccountProfile>& accounts = loaded.accounts;
            // The account window shows the first account's login only, and the
            // status says how the whole check ended once every account has.
            MailCheckHooks further = hooks;
            further.accountLoaded = {};
            const bool several = accounts.size() > 1;
            // With several, the status names the accounts being checked instead.
            if (several)
                further.setStatus = {};
            MailCheckHooks first = further;
            first.accountLoaded = hooks.accountLoaded;
            const auto tell = [&](const AccountProfile& account, bool checking) {
                if (several && hooks.accountChecking)
                    hooks.accountChecking(account.key, checking);
            };
            *outcome = AccountChecks::run(loaded, [&](const AccountProfile& account) {
                tell(account, true);
                const std::unique_ptr<Mailbox> mailbox = mailboxes(account);
                MailCheck::Outcome one =
                    MailCheck(paths, account, *mailbox, account.isFirst() ? first : further).CheckMail();
                tell(account, false);
                return one;
            });
            if (several && hooks.setStatus)
                hooks.setStatus(outcome->waiting < 1 ? CheckStatus::NoNewMail : CheckStatus::NewMail);
        },
        [this, outcome] {
            if (finished_)
                finished_(*outcome);
        });
}
