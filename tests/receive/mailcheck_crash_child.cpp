// One mail check in a process of its own, for the crash tests. Arguments: the
// application folder and the POP3 server; the account is the folder's own,
// with what it leaves on the server.
// With FENNICK_KILL_AT=k it kills itself with SIGKILL at its k-th step: after
// each write, fsync, rename or unlink the check makes in its files, after each
// message is fetched, after each deletion is queued, after the batch of them
// is sent and after the QUIT (one step when the QUIT goes with the batch). It
// only watches the check, which takes its own path. Without a kill it prints
// the number of steps it saw.
#include <QCoreApplication>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

#include "receive/mailcheck.h"
#include "settings/firstaccount.h"
#include "tests/support/mailservers.h"
#include "transport/maillibraries.h"
#include "transport/pop3session.h"

namespace {

int killAt = 0;
std::atomic<int> steps{0}; // the fetching and the storing thread both take steps

void step() {
    if (++steps == killAt)
        std::raise(SIGKILL);
}

// The real session, watched after each call that changes what the server or the disk holds.
class WatchedMailbox : public Mailbox {
  public:
    explicit WatchedMailbox(Mailbox& real) : real_(real) {}
    Status connect(const QString& server) override { return real_.connect(server); }
    Result<int> authenticate(const QString& id, const QString& password, bool apop) override {
        return real_.authenticate(id, password, apop);
    }
    qint64 size(int n) const override { return real_.size(n); }
    QString uidl(int n) const override { return real_.uidl(n); }
    bool isTooLarge(int n) const override { return real_.isTooLarge(n); }
    void passOver(const QSet<int>& numbers) override { real_.passOver(numbers); }
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
    Status flushRemovalsAndClose() override {
        const Status s = real_.flushRemovalsAndClose();
        step();
        return s;
    }
    bool removalsCommitted() const override { return real_.removalsCommitted(); }

  private:
    Mailbox& real_;
};

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

} // namespace

// The file system calls of the record files and the log, each a step once done.
extern "C" ssize_t pwrite(int fd, const void* data, size_t length, off_t offset) {
    static const auto call = real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    const ssize_t done = call(fd, data, length, offset);
    step();
    return done;
}
extern "C" int fsync(int fd) {
    static const auto call = real<int (*)(int)>("fsync");
    const int done = call(fd);
    step();
    return done;
}
extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto call = real<int (*)(const char*, const char*)>("rename");
    const int done = call(from, to);
    step();
    return done;
}
extern "C" int remove(const char* path) noexcept {
    static const auto call = real<int (*)(const char*)>("remove");
    const int done = call(path);
    step();
    return done;
}
extern "C" int ftruncate(int fd, off_t length) noexcept {
    static const auto call = real<int (*)(int, off_t)>("ftruncate");
    const int done = call(fd, length);
    step();
    return done;
}

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    if (const char* at = std::getenv("FENNICK_KILL_AT"))
        killAt = std::atoi(at);
    const MailLibraries mailLibraries;
    QCoreApplication app(argc, argv); // the connection waits in an event loop, as in the program
    AppSettings settings;
    settings.servers.Pop3Server = QString::fromLocal8Bit(argv[2]);
    Pop3Session session({}, TestMailServers::trust());
    WatchedMailbox mailbox(session);
    const AppPaths paths(QString::fromLocal8Bit(argv[1]));
    const MailCheck::Outcome outcome =
        MailCheck(paths, FirstAccountProfile(paths, settings), mailbox, {}).CheckMail();
    for (const Error& error : outcome.errors)
        std::fprintf(stderr, "%s\n", qPrintable(error.debugText()));
    std::printf("%d\n", steps.load());
    return outcome.errors.isEmpty() ? 0 : 1;
}
