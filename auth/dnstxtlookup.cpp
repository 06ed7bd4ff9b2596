#include "auth/dnstxtlookup.h"

#include <QFile>
#include <QRandomGenerator>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint16 kTypeTxt = 16;
constexpr quint16 kTypeOpt = 41;
constexpr quint16 kUdpPayload = 1232;

void put16(QByteArray& out, quint16 v) {
    out += char(v >> 8);
    out += char(v & 0xff);
}

quint16 get16(const QByteArray& in, qsizetype at) {
    return quint16((quint8(in[at]) << 8) | quint8(in[at + 1]));
}

QByteArray query(quint16 id, QByteArrayView name) {
    QByteArray q;
    put16(q, id);
    put16(q, 0x0100); // recursion desired
    put16(q, 1);      // one question
    put16(q, 0);
    put16(q, 0);
    put16(q, 1); // the OPT record
    for (const QByteArray& label : name.toByteArray().split('.')) {
        if (label.isEmpty())
            continue;
        q += char(label.size());
        q += label;
    }
    q += '\0';
    put16(q, kTypeTxt);
    put16(q, 1); // IN
    q += '\0';   // OPT: root name, type, payload size, flags, no data
    put16(q, kTypeOpt);
    put16(q, kUdpPayload);
    put16(q, 0);
    put16(q, 0);
    put16(q, 0);
    return q;
}

// Steps over a name, compressed or not; -1 when it runs past the end.
qsizetype skipName(const QByteArray& in, qsizetype at) {
    while (at < in.size()) {
        const quint8 len = quint8(in[at]);
        if (len == 0)
            return at + 1;
        if ((len & 0xc0) == 0xc0)
            return at + 2 <= in.size() ? at + 2 : -1;
        at += 1 + len;
    }
    return -1;
}

using Answer = DnsTxtLookup::Answer;

Answer failed() {
    return {};
}

Answer parse(const QByteArray& r) {
    if (r.size() < 12 || !(quint8(r[2]) & 0x80) || (quint8(r[2]) & 0x02)) // not an answer, or truncated
        return failed();
    const int rcode = quint8(r[3]) & 0x0f;
    if (rcode == 3)
        return {Answer::Status::NoSuchName, {}};
    if (rcode != 0)
        return failed();
    const quint16 questions = get16(r, 4);
    const quint16 answers = get16(r, 6);
    qsizetype at = 12;
    for (int i = 0; i < questions && at >= 0; ++i) {
        at = skipName(r, at);
        at = at < 0 ? -1 : at + 4;
    }
    Answer a{Answer::Status::NoSuchName, {}};
    for (int i = 0; i < answers; ++i) {
        at = at < 0 ? -1 : skipName(r, at);
        if (at < 0 || at + 10 > r.size())
            return failed();
        const quint16 type = get16(r, at);
        const quint16 length = get16(r, at + 8);
        at += 10;
        if (at + length > r.size())
            return failed();
        if (type == kTypeTxt) {
            QByteArray record;
            for (qsizetype s = at; s < at + length;) {
                const quint8 n = quint8(r[s]);
                record += r.mid(s + 1, qMin<qsizetype>(n, at + length - s - 1));
                s += 1 + n;
            }
            a.records.append(record);
        }
        at += length;
    }
    if (!a.records.isEmpty())
        a.status = Answer::Status::Found;
    return a;
}

} // namespace

std::optional<DnsTxtLookup::Server> DnsTxtLookup::systemServer(const QString& resolvConf) {
    QFile f(resolvConf);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    while (!f.atEnd()) {
        const QList<QByteArray> words = f.readLine().simplified().split(' ');
        if (words.size() >= 2 && words[0] == "nameserver")
            return Server{QString::fromLatin1(words[1]), 53};
    }
    return std::nullopt;
}

DnsTxtLookup::DnsTxtLookup(Server server, std::chrono::milliseconds timeout)
    : server_(std::move(server)), timeout_(timeout) {}

DnsTxtLookup::Answer DnsTxtLookup::lookup(QByteArrayView name) const {
    sockaddr_storage to{};
    socklen_t toLength = 0;
    const QByteArray address = server_.address.toLatin1();
    auto* v4 = reinterpret_cast<sockaddr_in*>(&to);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&to);
    if (inet_pton(AF_INET, address.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(server_.port);
        toLength = sizeof(sockaddr_in);
    } else if (inet_pton(AF_INET6, address.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(server_.port);
        toLength = sizeof(sockaddr_in6);
    } else {
        return failed();
    }
    const int fd = socket(to.ss_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return failed();
    // connect() makes the kernel drop datagrams from anyone but the server.
    const quint16 id = quint16(QRandomGenerator::system()->generate());
    const QByteArray q = query(id, name);
    Answer answer = failed();
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), toLength) == 0 &&
        send(fd, q.constData(), q.size(), 0) == q.size()) {
        const auto deadline = std::chrono::steady_clock::now() + timeout_;
        QByteArray r(kUdpPayload + 512, '\0');
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0)
                break;
            const ssize_t n = recv(fd, r.data(), r.size(), 0);
            if (n < 0)
                break;
            // A stray answer to an earlier question is not ours: wait on.
            if (n >= 2 && get16(r, 0) == id) {
                answer = parse(r.left(n));
                break;
            }
        }
    }
    close(fd);
    return answer;
}
