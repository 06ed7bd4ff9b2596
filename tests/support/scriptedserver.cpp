#include "tests/support/scriptedserver.h"

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Reads one line, waiting at most 10 s so that a test can never hang here.
bool readLine(int fd, QByteArray& buffer, QByteArray& line) {
    for (;;) {
        const qsizetype nl = buffer.indexOf('\n');
        if (nl >= 0) {
            line = buffer.left(nl);
            if (line.endsWith('\r'))
                line.chop(1);
            buffer.remove(0, nl + 1);
            return true;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            return false;
        char chunk[4096];
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        buffer.append(chunk, n);
    }
}

} // namespace

ScriptedServer::ScriptedServer(QList<Script> connections) : scripts_(std::move(connections)) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(listenFd_, 4);
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
    ::shutdown(listenFd_, SHUT_RDWR);
    if (thread_.joinable())
        thread_.join();
    ::close(listenFd_);
}

QString ScriptedServer::address() const {
    return QStringLiteral("127.0.0.1:%1").arg(port_);
}

void ScriptedServer::problem(const QString& text) {
    std::lock_guard lock(mutex_);
    problems_.append(text);
}

QStringList ScriptedServer::problems() {
    pollfd p{listenFd_, POLLIN, 0};
    if (played_ && ::poll(&p, 1, 0) > 0)
        problem(QStringLiteral("a connection came after the last script"));
    std::lock_guard lock(mutex_);
    return problems_;
}

QList<QByteArray> ScriptedServer::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

void ScriptedServer::run() {
    for (const Script& script : std::as_const(scripts_)) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 15000) <= 0) {
            problem(QStringLiteral("no connection came"));
            return;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        play(fd, script);
        ::close(fd);
    }
    played_ = true;
}

bool ScriptedServer::keepSilent(int fd, QByteArray& buffer, int millis) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(millis);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return true;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, int(left.count())) <= 0)
            continue;
        char bytes[4096];
        const ssize_t n = ::recv(fd, bytes, sizeof bytes, 0);
        if (n <= 0)
            return false;
        buffer.append(bytes, n);
    }
}

void ScriptedServer::play(int fd, const Script& script) {
    QByteArray buffer;
    for (const Step& step : script) {
        switch (step.kind) {
        case Step::Send: {
            const QByteArray line = step.text + "\r\n";
            if (::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL) < 0)
                return;
            break;
        }
        case Step::Expect:
        case Step::ExpectAlone: {
            QByteArray line;
            if (!readLine(fd, buffer, line)) {
                problem(QStringLiteral("expected %1, got nothing").arg(QString::fromLatin1(step.text)));
                return;
            }
            {
                std::lock_guard lock(mutex_);
                received_.append(line);
            }
            if (!line.startsWith(step.text))
                problem(QStringLiteral("expected %1, got %2")
                            .arg(QString::fromLatin1(step.text), QString::fromLatin1(line)));
            // A pipelining client sends its next command at once: give it a
            // moment to show itself.
            pollfd p{fd, POLLIN, 0};
            if (step.kind == Step::ExpectAlone && (!buffer.isEmpty() || ::poll(&p, 1, 100) > 0))
                problem(QStringLiteral("more came before the answer to %1").arg(QString::fromLatin1(line)));
            break;
        }
        case Step::Content: {
            QByteArray line;
            for (;;) {
                if (!readLine(fd, buffer, line)) {
                    problem(QStringLiteral("the content was cut off"));
                    return;
                }
                if (line == ".") {
                    buffer.prepend(".\r\n");
                    break;
                }
                std::lock_guard lock(mutex_);
                received_.append(line);
            }
            break;
        }
        case Step::Silent:
            // Until the time is up, or the client hangs up (a cancelled one does).
            if (!keepSilent(fd, buffer, step.millis))
                return;
            break;
        case Step::Close:
            return;
        }
    }
}
