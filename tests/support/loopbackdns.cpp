#include "tests/support/loopbackdns.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void put16(QByteArray& out, int v) {
    out += char((v >> 8) & 0xff);
    out += char(v & 0xff);
}

} // namespace

LoopbackDns::LoopbackDns(QHash<QByteArray, QList<QByteArray>> records, QSet<QByteArray> silent)
    : records_(std::move(records)), silent_(std::move(silent)) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof a;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&a), length) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) != 0 || pipe(stopPipe_) != 0)
        qFatal("LoopbackDns: no socket");
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

LoopbackDns::~LoopbackDns() {
    (void)!write(stopPipe_[1], "x", 1);
    thread_.join();
    close(fd_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

QList<QByteArray> LoopbackDns::asked() {
    std::lock_guard lock(mutex_);
    return asked_;
}

void LoopbackDns::run() {
    for (;;) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0 || p[1].revents)
            return;
        QByteArray q(1500, '\0');
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = recvfrom(fd_, q.data(), q.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 12)
            continue;
        const QByteArray reply = answer(q.left(n));
        if (!reply.isEmpty())
            sendto(fd_, reply.constData(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), length);
    }
}

QByteArray LoopbackDns::answer(const QByteArray& q) {
    QByteArrayList labels;
    qsizetype at = 12;
    while (at < q.size() && q[at] != 0) {
        labels << q.mid(at + 1, quint8(q[at]));
        at += 1 + quint8(q[at]);
    }
    const QByteArray name = labels.join('.').toLower();
    const QByteArray question = q.mid(12, at + 5 - 12); // the name, its type and class
    {
        std::lock_guard lock(mutex_);
        asked_.append(name);
    }
    if (silent_.contains(name))
        return {};
    const QList<QByteArray> records = records_.value(name);
    QByteArray r = q.left(2);
    put16(r, records.isEmpty() ? 0x8183 : 0x8180); // an answer: NXDOMAIN, or no error
    put16(r, 1);
    put16(r, int(records.size()));
    put16(r, 0);
    put16(r, 0);
    r += question;
    for (const QByteArray& record : records) {
        QByteArray data; // character-strings of at most 255 bytes
        for (qsizetype i = 0; i < record.size() || i == 0; i += 255) {
            const QByteArray piece = record.mid(i, 255);
            data += char(piece.size());
            data += piece;
        }
        put16(r, 0xc00c); // the question's name
        put16(r, 16);
        put16(r, 1);
        put16(r, 0);
        put16(r, 60);
        put16(r, int(data.size()));
        r += data;
    }
    return r;
}
