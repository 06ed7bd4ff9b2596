#pragma once

#include <QSemaphore>
#include <memory>

#include "tests/support/mailservers.h"
#include "transport/pop3session.h"

// The real POP3 session, except that message `heldMessage` is fetched only
// once the test opens the gate (or ten seconds later, so that a check stuck
// on the window thread fails the test instead of hanging it).
class HeldSession : public Mailbox {
  public:
    HeldSession(std::shared_ptr<QSemaphore> gate, int heldMessage, TlsPolicy policy = {})
        : pop_({}, TestMailServers::trust(), std::move(policy)), gate_(std::move(gate)),
          heldMessage_(heldMessage) {}
    Status connect(const QString& server) override { return pop_.connect(server); }
    Result<int> authenticate(const QString& id, const QString& password, bool apop) override {
        return pop_.authenticate(id, password, apop);
    }
    qint64 size(int n) const override { return pop_.size(n); }
    QString uidl(int n) const override { return pop_.uidl(n); }
    bool isTooLarge(int n) const override { return pop_.isTooLarge(n); }
    Result<QByteArray> fetchRaw(int n) override {
        if (n == heldMessage_)
            gate_->tryAcquire(1, 10000);
        return pop_.fetchRaw(n);
    }
    Status remove(int n) override { return pop_.remove(n); }
    Status flushRemovals() override { return pop_.flushRemovals(); }
    void close() override { pop_.close(); }
    Status flushRemovalsAndClose() override { return pop_.flushRemovalsAndClose(); }
    bool removalsCommitted() const override { return pop_.removalsCommitted(); }

  private:
    Pop3Session pop_;
    std::shared_ptr<QSemaphore> gate_;
    int heldMessage_;
};
