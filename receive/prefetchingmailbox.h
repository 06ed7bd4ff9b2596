#pragma once

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "transport/mailbox.h"

// Fetches the next message on a helper thread while the caller decodes and
// stores the current one, so that the wait for the server and the local work
// overlap. Only the network is done on the helper; decoding stays with the
// caller, which keeps the two sides about equally long.
// The mailbox underneath is only ever used by one thread at a time: every
// call first waits for the fetch in flight, whose result is kept for the
// fetch(n) it anticipated. Nothing of the windows is touched off the main
// thread.
class PrefetchingMailbox : public Mailbox {
  public:
    explicit PrefetchingMailbox(Mailbox& inner);
    ~PrefetchingMailbox() override;
    PrefetchingMailbox(const PrefetchingMailbox&) = delete;
    PrefetchingMailbox& operator=(const PrefetchingMailbox&) = delete;

    bool connect(const QString& server) override;
    int authenticate(const QString& id, const QString& password, bool apop) override;
    qint64 size(int n) const override;
    bool isTooLarge(int n) const override;
    Result<QByteArray> fetchRaw(int n) override;
    Status remove(int n) override;
    void close() override;
    const QString& lastError() const override;

  private:
    void run();
    void startFetch(int n);
    void settle() const; // waits until no fetch is in flight

    Mailbox& inner_;
    int count_ = 0;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int requested_ = 0;     // message the helper is to fetch, 0 for none
    int fetchedNumber_ = 0; // message whose result is kept
    std::optional<Result<QByteArray>> fetched_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread helper_;
};
