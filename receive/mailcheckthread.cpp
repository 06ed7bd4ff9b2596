#include "receive/mailcheckthread.h"

#include <QThread>
#include <mutex>
#include <optional>
#include <tuple>

#include "transport/mailbox.h"

namespace {

// A hook that, called on the worker, runs `hook` with copies of its
// arguments on the thread of `home`.
template <typename... Args>
std::function<void(Args...)> relayed(const std::function<void(Args...)>& hook, QObject* home) {
    if (!hook)
        return {};
    return [hook, home](Args... args) {
        QMetaObject::invokeMethod(
            home, [hook, copies = std::make_tuple(std::decay_t<Args>(args)...)] { std::apply(hook, copies); },
            Qt::QueuedConnection);
    };
}

// The same for a hook whose latest call is all that matters (what the
// window shows: the mail just stored, n / N): while one call waits on the
// window thread, a newer one only replaces its arguments. A check of a
// thousand mails then does not queue a thousand repaints of the history.
template <typename... Args>
std::function<void(Args...)> relayedLatest(const std::function<void(Args...)>& hook, QObject* home) {
    if (!hook)
        return {};
    struct Waiting {
        std::mutex mutex;
        std::optional<std::tuple<std::decay_t<Args>...>> latest;
    };
    auto waiting = std::make_shared<Waiting>();
    return [hook, home, waiting](Args... args) {
        bool post = false;
        {
            const std::lock_guard lock(waiting->mutex);
            post = !waiting->latest;
            waiting->latest.emplace(std::decay_t<Args>(args)...);
        }
        if (!post)
            return;
        QMetaObject::invokeMethod(
            home,
            [hook, waiting] {
                std::optional<std::tuple<std::decay_t<Args>...>> latest;
                {
                    const std::lock_guard lock(waiting->mutex);
                    latest.swap(waiting->latest);
                }
                if (latest)
                    std::apply(hook, *latest);
            },
            Qt::QueuedConnection);
    };
}

} // namespace

MailCheckThread::MailCheckThread(MailCheckHooks hooks, Finished finished)
    : hooks_(std::move(hooks)), finished_(std::move(finished)) {}

MailCheckThread::~MailCheckThread() {
    {
        const std::lock_guard lock(checkMutex_);
        closing_ = true;
        if (check_)
            check_->stop();
    }
    if (worker_) {
        worker_->requestInterruption();
        worker_->wait();
    }
    // What the worker queued is dropped with home_.
}

MailCheckHooks MailCheckThread::relayedHooks() {
    MailCheckHooks worker;
    worker.setStatus = relayed(hooks_.setStatus, &home_);
    worker.accountLoaded = relayed(hooks_.accountLoaded, &home_);
    worker.openAccountWindow = relayed(hooks_.openAccountWindow, &home_);
    worker.openServerWindow = relayed(hooks_.openServerWindow, &home_);
    worker.received = relayedLatest(hooks_.received, &home_);
    worker.progress = relayedLatest(hooks_.progress, &home_);
    worker.synced = relayed(hooks_.synced, &home_);
    return worker;
}

bool MailCheckThread::start(AppPaths paths, AppSettings settings, MailboxFactory mailboxes) {
    if (worker_)
        return false;
    auto outcome = std::make_shared<MailCheck::Outcome>();
    worker_.reset(
        QThread::create([this, paths = std::move(paths), settings = std::move(settings),
                         mailboxes = std::move(mailboxes), hooks = relayedHooks(), outcome]() mutable {
            const std::unique_ptr<Mailbox> mailbox = mailboxes();
            MailCheck check(std::move(paths), std::move(settings), *mailbox, std::move(hooks));
            {
                const std::lock_guard lock(checkMutex_);
                if (closing_)
                    check.stop();
                check_ = &check;
            }
            *outcome = check.CheckMail();
            const std::lock_guard lock(checkMutex_);
            check_ = nullptr;
        }));
    // Emitted on the worker as it ends, so queued behind everything it reported.
    QObject::connect(worker_.get(), &QThread::finished, &home_, [this, outcome] { finish(*outcome); });
    worker_->start();
    return true;
}

void MailCheckThread::finish(MailCheck::Outcome outcome) {
    worker_->wait(); // it has nothing left to do but end
    worker_.reset();
    if (finished_)
        finished_(outcome);
}
