#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "text/error.h"

// The messages a check has fetched, handed in server order from the thread
// that talks to the server to the thread that stores them, so that message
// n is decoded and written while the following ones arrive. The bytes
// waiting are bounded: the fetching side waits rather than run far ahead.
class FetchedQueue {
  public:
    struct Item {
        enum class Kind { Fetched, TooLarge, NotFetched };
        int n = 0;
        Kind kind = Kind::Fetched;
        QByteArray raw; // Fetched
        // Fetched: what the received log and the fetched record may know it
        // by (ReceivedLog::digestsOf), the digest written now first.
        QList<QByteArray> digests;
        Error error;     // NotFetched: why
        qint64 size = 0; // TooLarge: the size the server gave
    };

    explicit FetchedQueue(qint64 maxBytes) : maxBytes_(maxBytes) {}

    // Waits while the queue is full. False when the storing side wants no
    // more (it could not store a message): nothing after it is to be fetched.
    bool push(Item item);
    // No more items will come.
    void finish();
    // The next item in order; nothing once the fetching side has finished and
    // every item is taken.
    std::optional<Item> pop();
    // From the storing side: take no more; items still queued are dropped.
    void refuse();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> items_;
    qint64 bytes_ = 0;
    qint64 maxBytes_;
    bool finished_ = false;
    bool refused_ = false;
};
