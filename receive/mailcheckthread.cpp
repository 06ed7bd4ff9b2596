#include "receive/mailcheckthread.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <sys/eventfd.h>
#include <tuple>
#include <unistd.h>

#include "transport/mailbox.h"
#include "transport/usernotifier.h"

namespace {

// A hook that, called on the worker, runs `hook` with copies of its
// arguments on the receiving thread.
template <typename... Args, typename Post>
std::function<void(Args...)> relayed(const std::function<void(Args...)>& hook, Post post) {
    if (!hook)
        return {};
    return [hook, post](Args... args) {
        post([hook, copies = std::make_tuple(std::decay_t<Args>(args)...)] { std::apply(hook, copies); });
    };
}

// A message box of the check, shown on the receiving thread while the worker waits.
class AskingNotifier : public UserNotifier {
  public:
    AskingNotifier(std::function<void(std::function<void()>)> ask, UserNotifier& shown)
        : ask_(std::move(ask)), shown_(shown) {}
    void notify(const QString& text, const QString& title) override {
        ask_([this, text, title] { shown_.notify(text, title); });
    }

  private:
    std::function<void(std::function<void()>)> ask_;
    UserNotifier& shown_;
};

} // namespace

MailCheckThread::Relay::Relay() : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wakeFd_ < 0)
        qFatal("eventfd: %s", std::strerror(errno));
    woken_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(woken_.get(), &QSocketNotifier::activated, woken_.get(), [this] {
        quint64 count = 0;
        if (::read(wakeFd_, &count, sizeof count) < 0 && errno != EAGAIN)
            qWarning("eventfd: %s", std::strerror(errno));
        runQueued();
    });
}

MailCheckThread::Relay::~Relay() {
    woken_.reset();
    ::close(wakeFd_);
}

void MailCheckThread::Relay::post(std::function<void()> call) {
    const std::lock_guard lock(mutex_);
    if (abandoned_)
        return;
    queued_.push_back(std::move(call));
    const quint64 one = 1;
    if (::write(wakeFd_, &one, sizeof one) < 0)
        qWarning("eventfd: %s", std::strerror(errno));
}

void MailCheckThread::Relay::ask(std::function<void()> call) {
    auto answered = std::make_shared<bool>(false);
    post([this, call = std::move(call), answered] {
        call();
        const std::lock_guard lock(mutex_);
        *answered = true;
        answered_.notify_all();
    });
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return *answered || abandoned_; });
}

void MailCheckThread::Relay::runQueued() {
    for (;;) {
        std::function<void()> call;
        {
            const std::lock_guard lock(mutex_);
            if (queued_.empty() || abandoned_)
                return;
            call = std::move(queued_.front());
            queued_.pop_front();
        }
        call();
    }
}

void MailCheckThread::Relay::abandon() {
    const std::lock_guard lock(mutex_);
    abandoned_ = true;
    queued_.clear();
    answered_.notify_all();
}

MailCheckThread::MailCheckThread(UserNotifier& notifier, MailCheckHooks hooks, Finished finished)
    : notifier_(notifier), hooks_(std::move(hooks)), finished_(std::move(finished)) {}

MailCheckThread::~MailCheckThread() {
    {
        const std::lock_guard lock(checkMutex_);
        closing_ = true;
        if (check_)
            check_->stop();
    }
    relay_.abandon();
    if (worker_.joinable())
        worker_.join();
}

MailCheckHooks MailCheckThread::relayedHooks() {
    auto post = [relay = &relay_](std::function<void()> call) { relay->post(std::move(call)); };
    MailCheckHooks worker;
    worker.setStatus = relayed(hooks_.setStatus, post);
    worker.accountLoaded = relayed(hooks_.accountLoaded, post);
    worker.openAccountWindow = relayed(hooks_.openAccountWindow, post);
    worker.openServerWindow = relayed(hooks_.openServerWindow, post);
    worker.received = relayed(hooks_.received, post);
    worker.progress = relayed(hooks_.progress, post);
    worker.synced = relayed(hooks_.synced, post);
    return worker;
}

bool MailCheckThread::start(AppPaths paths, AppSettings settings, MailboxFactory mailboxes) {
    if (worker_.joinable())
        return false;
    worker_ = std::thread([this, paths = std::move(paths), settings = std::move(settings),
                           mailboxes = std::move(mailboxes), hooks = relayedHooks()]() mutable {
        AskingNotifier notifier([this](std::function<void()> call) { relay_.ask(std::move(call)); },
                                notifier_);
        const std::unique_ptr<Mailbox> mailbox = mailboxes();
        MailCheck check(std::move(paths), std::move(settings), *mailbox, notifier, std::move(hooks));
        {
            const std::lock_guard lock(checkMutex_);
            if (closing_)
                check.stop();
            check_ = &check;
        }
        const MailCheck::Outcome outcome = check.CheckMail();
        {
            const std::lock_guard lock(checkMutex_);
            check_ = nullptr;
        }
        relay_.post([this, outcome] { finish(outcome); });
    });
    return true;
}

void MailCheckThread::finish(const MailCheck::Outcome& outcome) {
    worker_.join(); // it has nothing left to do but return
    if (finished_)
        finished_(outcome);
}
