#include "receive/prefetchingmailbox.h"

PrefetchingMailbox::PrefetchingMailbox(Mailbox& inner) : inner_(inner), helper_([this] { run(); }) {}

PrefetchingMailbox::~PrefetchingMailbox() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    helper_.join();
}

void PrefetchingMailbox::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || requested_ != 0; });
        if (stopping_)
            return;
        const int n = requested_;
        requested_ = 0;
        busy_ = true;
        lock.unlock();
        Result<QByteArray> result = inner_.fetchRaw(n);
        lock.lock();
        fetched_.emplace(std::move(result));
        fetchedNumber_ = n;
        busy_ = false;
        changed_.notify_all();
    }
}

void PrefetchingMailbox::settle() const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_ && requested_ == 0; });
}

void PrefetchingMailbox::startFetch(int n) {
    {
        std::lock_guard lock(mutex_);
        fetched_.reset();
        fetchedNumber_ = 0;
        requested_ = n;
    }
    changed_.notify_all();
}

bool PrefetchingMailbox::connect(const QString& server) {
    settle();
    return inner_.connect(server);
}

int PrefetchingMailbox::authenticate(const QString& id, const QString& password, bool apop) {
    settle();
    count_ = inner_.authenticate(id, password, apop);
    return count_;
}

qint64 PrefetchingMailbox::size(int n) const {
    settle();
    return inner_.size(n);
}

bool PrefetchingMailbox::isTooLarge(int n) const {
    settle();
    return inner_.isTooLarge(n);
}

Result<QByteArray> PrefetchingMailbox::fetchRaw(int n) {
    settle();
    std::optional<Result<QByteArray>> result;
    {
        std::lock_guard lock(mutex_);
        if (fetchedNumber_ == n && fetched_)
            result = std::move(fetched_);
        fetched_.reset();
        fetchedNumber_ = 0;
    }
    if (!result)
        result.emplace(inner_.fetchRaw(n));
    // While the caller stores this one, the next one travels.
    if (result->ok() && n + 1 <= count_ && !inner_.isTooLarge(n + 1))
        startFetch(n + 1);
    return std::move(*result);
}

Status PrefetchingMailbox::remove(int n) {
    settle();
    return inner_.remove(n);
}

void PrefetchingMailbox::close() {
    settle();
    inner_.close();
}

const QString& PrefetchingMailbox::lastError() const {
    settle();
    return inner_.lastError();
}
