#include "receive/mailcheckthread.h"

#include <tuple>

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
    worker.accountLoaded = relayed(home.accountLoaded, job);
    worker.received = relayedLatest(home.received, job, Received);
    worker.progress = relayedLatest(home.progress, job, Progress);
    worker.synced = relayed(home.synced, job);
    return worker;
}

} // namespace

MailCheckThread::MailCheckThread(MailCheckHooks hooks, Finished finished)
    : hooks_(std::move(hooks)), finished_(std::move(finished)) {}

bool MailCheckThread::start(AppPaths paths, AccountProfile account, MailboxFactory mailboxes) {
    auto outcome = std::make_shared<MailCheck::Outcome>();
    return task_.start(
        [this, paths = std::move(paths), account = std::move(account), mailboxes = std::move(mailboxes),
         outcome](Job& job) mutable {
            const std::unique_ptr<Mailbox> mailbox = mailboxes();
            *outcome = MailCheck(std::move(paths), std::move(account), *mailbox, relayedHooks(hooks_, job))
                           .CheckMail();
        },
        [this, outcome] {
            if (finished_)
                finished_(*outcome);
        });
}
