#include "transport/smtpcertificateprobe.h"

#include <QCryptographicHash>
#include <QSslKey>

#include "transport/linereader.h"

namespace {

// Reads one SMTP reply, "250-..." lines up to the last "250 ...". All its
// lines go to `lines`.
bool readReply(LineReader& reader, QList<QByteArray>& lines) {
    lines.clear();
    QByteArray line;
    const qint64 deadline = reader.deadlineFor(64 << 10);
    do {
        if (!reader.readLine(line, deadline))
            return false;
        lines << line;
    } while (line.size() > 3 && line[3] == '-');
    return true;
}

Error refused(const QString& serverText, const QList<QByteArray>& reply) {
    return {.kind = Error::Kind::Tls,
            .name = serverText,
            .detail = QString::fromUtf8(reply.isEmpty() ? QByteArray() : reply.last())};
}

Status startTls(MailSocket& socket, LineReader& reader, const QString& serverText) {
    QList<QByteArray> reply;
    if (!readReply(reader, reply))
        return Status::failure(reader.error());
    if (!reply.last().startsWith("220"))
        return Status::failure({.kind = Error::Kind::ConnectionDeclined,
                                .name = serverText,
                                .detail = QString::fromUtf8(reply.last())});
    socket.write("EHLO localhost\r\n");
    if (!readReply(reader, reply))
        return Status::failure(reader.error());
    bool offered = false;
    for (const QByteArray& line : std::as_const(reply))
        offered = offered || line.mid(4).trimmed().toUpper() == "STARTTLS";
    if (!reply.last().startsWith("250") || !offered)
        return Status::failure(refused(serverText, reply));
    socket.write("STARTTLS\r\n");
    if (!readReply(reader, reply))
        return Status::failure(reader.error());
    reader.discardBuffered();
    if (!reply.last().startsWith("220"))
        return Status::failure(refused(serverText, reply));
    if (!socket.startTls())
        return Status::failure(socket.error());
    return {};
}

} // namespace

Result<QByteArray> AcceptedSmtpKey(const ServerAddress& address, const QString& serverText,
                                   const CertificateTrust& trust, MailSocket::Timeouts timeouts) {
    MailSocket socket(timeouts, trust);
    if (!socket.open(address, serverText))
        return Result<QByteArray>::failure(socket.error());
    LineReader reader(socket, timeouts.idleMillis);
    if (!address.tlsFromStart)
        if (const Status started = startTls(socket, reader, serverText); !started)
            return Result<QByteArray>::failure(started.error());
    const QByteArray key = socket.peerCertificate().publicKey().toDer();
    socket.write("QUIT\r\n");
    QByteArray bye;
    (void)reader.readLine(bye, reader.deadlineFor(0));
    socket.close();
    return "sha256//" + QCryptographicHash::hash(key, QCryptographicHash::Sha256).toBase64();
}
