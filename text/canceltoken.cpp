#include "text/canceltoken.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <utility>

struct CancelState {
    std::atomic<bool> cancelled = false;
    std::mutex mutex;
    std::condition_variable woken;
};

namespace {

thread_local std::shared_ptr<CancelState> currentState;

} // namespace

CancelToken::CancelToken() : state_(std::make_shared<CancelState>()) {}

void CancelToken::cancel() const {
    {
        const std::lock_guard lock(state_->mutex);
        state_->cancelled = true;
    }
    state_->woken.notify_all();
}

bool CancelToken::isCancelled() const {
    return state_->cancelled.load();
}

bool CancelToken::sleepUntil(Clock::time_point deadline) const {
    std::unique_lock lock(state_->mutex);
    return state_->woken.wait_until(lock, deadline, [this] { return state_->cancelled.load(); });
}

CancelToken CancelToken::current() {
    if (!currentState)
        currentState = std::make_shared<CancelState>();
    return CancelToken(currentState);
}

CancelToken::Scope::Scope(const CancelToken& token) : previous_(std::exchange(currentState, token.state_)) {}

CancelToken::Scope::~Scope() {
    currentState = std::move(previous_);
}
