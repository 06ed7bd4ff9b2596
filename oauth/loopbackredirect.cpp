#include "oauth/loopbackredirect.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>
#include <poll.h>
#include <vector>

namespace {

// How often a wait looks at the cancel flag, how long an answer may take to
// go out, and how much of a request head and how many connections at once
// are taken at most.
constexpr int kSliceMillis = 100;
constexpr int kAnswerMillis = 3000;
constexpr qsizetype kMostHead = 16384;
constexpr size_t kMostConnections = 32;

int sliceOf(const QDeadlineTimer& deadline, int most) {
    return deadline.isForever() ? most : int(std::clamp<qint64>(deadline.remainingTime(), 0, most));
}

// A connection the browser opened, and what it has sent of its request so far.
struct Connection {
    std::unique_ptr<QTcpSocket> socket;
    QDeadlineTimer deadline;
    QByteArray head;
};

// Reads what the connection has brought; false once its request head is
// whole, or it will never be: the connection closed, sent too much or ran
// out of time.
bool stillReading(Connection& c) {
    c.socket->waitForReadyRead(0);
    c.head += c.socket->readAll();
    return !c.head.contains("\r\n\r\n") && c.head.size() <= kMostHead &&
           c.socket->state() == QAbstractSocket::ConnectedState && !c.deadline.hasExpired();
}

void answer(QTcpSocket& socket, const QByteArray& status, const QString& text) {
    const QByteArray page =
        "<!doctype html><html lang=\"ja\"><meta charset=\"utf-8\"><title>Fennick</title><p>" +
        text.toHtmlEscaped().toUtf8() + "</p></html>";
    socket.write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                 QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
    socket.waitForBytesWritten(kAnswerMillis);
    socket.disconnectFromHost();
}

// The query of the redirect that carries `state`, which is answered. Another
// request (a favicon, another tab) gets a 404; a head that is not whole or
// not a GET, no answer.
std::optional<QUrlQuery> redirectIn(Connection& c, const QString& state,
                                    const LoopbackRedirect::Pages& pages) {
    if (!c.head.contains("\r\n\r\n"))
        return std::nullopt;
    const QList<QByteArray> request = c.head.left(c.head.indexOf("\r\n")).split(' ');
    if (request.size() != 3 || request[0] != "GET")
        return std::nullopt;
    const QUrl url = QUrl::fromEncoded("http://127.0.0.1" + request[1]);
    const QUrlQuery query(url);
    if (url.path() != QStringLiteral("/") ||
        query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded) != state) {
        answer(*c.socket, "404 Not Found", pages.notFound);
        return std::nullopt;
    }
    answer(*c.socket, "200 OK", pages.signedIn);
    return query;
}

// Sleeps until the listener or a connection has something to read, or a
// slice, `until` or a connection's deadline is over.
void awaitActivity(const QTcpServer& server, const std::deque<Connection>& open, QDeadlineTimer until) {
    std::vector<pollfd> watched{{int(server.socketDescriptor()), POLLIN, 0}};
    for (const Connection& c : open) {
        watched.push_back({int(c.socket->socketDescriptor()), POLLIN, 0});
        until = std::min(until, c.deadline);
    }
    ::poll(watched.data(), watched.size(), sliceOf(until, kSliceMillis));
}

} // namespace

LoopbackRedirect::LoopbackRedirect(Pages pages, std::chrono::milliseconds requestTimeout)
    : pages_(std::move(pages)), requestTimeout_(requestTimeout), server_(std::make_unique<QTcpServer>()) {}

LoopbackRedirect::~LoopbackRedirect() = default;

Status LoopbackRedirect::listen() {
    // The IP literal, not "localhost", which a resolver may send elsewhere
    // (RFC 8252 section 8.3).
    if (!server_->listen(QHostAddress::LocalHost, 0))
        return Status::failure({.kind = Error::Kind::RedirectNotOpened, .detail = server_->errorString()});
    return {};
}

QString LoopbackRedirect::redirectUri() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(server_->serverPort());
}

std::optional<QUrlQuery> LoopbackRedirect::wait(const QString& state, QDeadlineTimer deadline,
                                                const CancelToken& cancelled) {
    std::deque<Connection> open;
    while (!cancelled.isCancelled() && !deadline.hasExpired()) {
        awaitActivity(*server_, open, deadline);
        // Every connection the listener took in: it takes in all that queued
        // at once, and those no longer wake the poll.
        server_->waitForNewConnection(0);
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            // Another program's flood must not use up the descriptors.
            if (open.size() == kMostConnections)
                open.pop_front();
            open.push_back({std::unique_ptr<QTcpSocket>(socket), QDeadlineTimer(requestTimeout_), {}});
        }
        for (auto c = open.begin(); c != open.end();) {
            if (stillReading(*c)) {
                ++c;
                continue;
            }
            if (std::optional<QUrlQuery> query = redirectIn(*c, state, pages_))
                return query;
            c = open.erase(c);
        }
    }
    return std::nullopt;
}
