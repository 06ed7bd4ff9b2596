// One mail check in a process of its own, for the crash tests. Arguments: the
// application folder and the POP3 server; the account is the folder's own.
// With FENNICK_KILL_AT=k it kills itself with SIGKILL at its k-th step: after
// each message is announced, fetched and stored, after the records are synced,
// after each deletion is queued, after the batch is sent and after the QUIT.
// It only watches the check, which takes its own path. Without a kill it
// prints the number of steps it saw.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "receive/mailcheck.h"
#include "tests/support/mailservers.h"
#include "tests/support/recordingnotifier.h"
#include "transport/maillibraries.h"
#include "transport/pop3session.h"

namespace {

int killAt = 0;
int steps = 0;

void step() {
    if (++steps == killAt)
        std::raise(SIGKILL);
}

// The real session, watched after each call that changes what the server or the disk holds.
class WatchedMailbox : public Mailbox {
  public:
    explicit WatchedMailbox(Mailbox& real) : real_(real) {}
    bool connect(const QString& server) override { return real_.connect(server); }
    int authenticate(const QString& id, const QString& password, bool apop) override {
        return real_.authenticate(id, password, apop);
    }
    qint64 size(int n) const override { return real_.size(n); }
    QString uidl(int n) const override { return real_.uidl(n); }
    bool isTooLarge(int n) const override { return real_.isTooLarge(n); }
    Result<QByteArray> fetchRaw(int n) override {
        Result<QByteArray> raw = real_.fetchRaw(n);
        step();
        return raw;
    }
    Status remove(int n) override {
        const Status s = real_.remove(n);
        step();
        return s;
    }
    Status flushRemovals() override {
        const Status s = real_.flushRemovals();
        step();
        return s;
    }
    void close() override {
        real_.close();
        step();
    }
    bool removalsCommitted() const override { return real_.removalsCommitted(); }
    const QString& lastError() const override { return real_.lastError(); }

  private:
    Mailbox& real_;
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    if (const char* at = std::getenv("FENNICK_KILL_AT"))
        killAt = std::atoi(at);
    const MailLibraries mailLibraries;
    AppSettings settings;
    settings.servers.Pop3Server = QString::fromLocal8Bit(argv[2]);
    Pop3Session session({}, TestMailServers::trust());
    WatchedMailbox mailbox(session);
    RecordingNotifier notifier;
    MailCheckHooks hooks;
    hooks.progress = [](int, int) { step(); };
    hooks.received = [](const LastReceived&) { step(); };
    hooks.receivedFileSynced = [] { step(); };
    MailCheck(AppPaths(QString::fromLocal8Bit(argv[1])), settings, mailbox, notifier, hooks).CheckMail();
    for (const QString& text : notifier.texts())
        std::fprintf(stderr, "%s\n", qPrintable(text));
    std::printf("%d\n", steps);
    return notifier.notices.isEmpty() ? 0 : 1;
}
