#include "receive/fetchedqueue.h"

bool FetchedQueue::push(Item item) {
    std::unique_lock lock(mutex_);
    // One item always fits, however large: a message bigger than the bound
    // must still get through.
    changed_.wait(lock, [&] { return refused_ || items_.empty() || bytes_ + item.raw.size() <= maxBytes_; });
    if (refused_)
        return false;
    bytes_ += item.raw.size();
    items_.push_back(std::move(item));
    changed_.notify_all();
    return true;
}

void FetchedQueue::finish() {
    const std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

std::optional<FetchedQueue::Item> FetchedQueue::pop() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return !items_.empty() || finished_ || refused_; });
    if (items_.empty() || refused_)
        return std::nullopt;
    Item item = std::move(items_.front());
    items_.pop_front();
    bytes_ -= item.raw.size();
    changed_.notify_all();
    return item;
}

void FetchedQueue::refuse() {
    const std::lock_guard lock(mutex_);
    refused_ = true;
    items_.clear();
    bytes_ = 0;
    changed_.notify_all();
}
