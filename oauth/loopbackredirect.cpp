#include "oauth/loopbackredirect.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

namespace {

// How long a browser may take to send its request once connected, and how
// often a wait looks at the cancel flag.
constexpr int kRequestMillis = 3000;
constexpr int kSliceMillis = 100;

int sliceOf(const QDeadlineTimer& deadline, int most) {
    return deadline.isForever() ? most : int(std::clamp<qint64>(deadline.remainingTime(), 0, most));
}

// The target of an HTTP request ("/?code=..."), or nothing.
std::optional<QByteArray> readTarget(QTcpSocket& socket) {
    QByteArray head;
    const QDeadlineTimer deadline(kRequestMillis);
    while (!head.contains("\r\n\r\n")) {
        if (head.size() > 16384 || !socket.waitForReadyRead(sliceOf(deadline, kRequestMillis)))
            return std::nullopt;
        head += socket.readAll();
    }
    const QList<QByteArray> request = head.left(head.indexOf("\r\n")).split(' ');
    if (request.size() != 3 || request[0] != "GET")
        return std::nullopt;
    return request[1];
}

void answer(QTcpSocket& socket, const QByteArray& status, const QString& text) {
    const QByteArray page =
        "<!doctype html><html lang=\"ja\"><meta charset=\"utf-8\"><title>Fennick</title><p>" +
        text.toHtmlEscaped().toUtf8() + "</p></html>";
    socket.write("HTTP/1.1 " + status + "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                 QByteArray::number(page.size()) + "\r\nConnection: close\r\n\r\n" + page);
    socket.waitForBytesWritten(kRequestMillis);
    socket.disconnectFromHost();
}

} // namespace

LoopbackRedirect::LoopbackRedirect() : server_(std::make_unique<QTcpServer>()) {}

LoopbackRedirect::~LoopbackRedirect() = default;

MailStatus LoopbackRedirect::listen() {
    // The IP literal, not "localhost", which a resolver may send elsewhere
    // (RFC 8252 section 8.3).
    if (!server_->listen(QHostAddress::LocalHost, 0))
        return MailStatus::failure(
            {.kind = MailError::Kind::RedirectNotOpened, .detail = server_->errorString()});
    return {};
}

QString LoopbackRedirect::redirectUri() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(server_->serverPort());
}

std::optional<QUrlQuery> LoopbackRedirect::wait(const QString& state, QDeadlineTimer deadline,
                                                const std::atomic<bool>& cancelled) {
    while (!cancelled && !deadline.hasExpired()) {
        if (!server_->waitForNewConnection(sliceOf(deadline, kSliceMillis)))
            continue;
        const std::unique_ptr<QTcpSocket> socket(server_->nextPendingConnection());
        const std::optional<QByteArray> target = readTarget(*socket);
        if (!target)
            continue;
        const QUrl url = QUrl::fromEncoded("http://127.0.0.1" + *target);
        const QUrlQuery query(url);
        if (url.path() != QStringLiteral("/") ||
            query.queryItemValue(QStringLiteral("state"), QUrl::FullyDecoded) != state) {
            answer(*socket, "404 Not Found", QStringLiteral("このページはありません。"));
            continue;
        }
        answer(*socket, "200 OK",
               QStringLiteral("サインインの結果を Fennick に渡しました。このページを閉じて、Fennick "
                              "の画面に戻ってください。"));
        return query;
    }
    return std::nullopt;
}
