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

QString refused(const QString& serverText, const QList<QByteArray>& reply) {
    return QStringLiteral("サーバー「%1」と暗号化 (TLS) の通信を始められませんでした。(%2)")
        .arg(serverText, QString::fromUtf8(reply.isEmpty() ? QByteArray() : reply.last()));
}

bool startTls(MailSocket& socket, LineReader& reader, const QString& serverText, QString& error) {
    QList<QByteArray> reply;
    if (!readReply(reader, reply)) {
        error = reader.error();
        return false;
    }
    if (!reply.last().startsWith("220")) {
        error = QStringLiteral("サーバー「%1」が接続を断りました。(%2)")
                    .arg(serverText, QString::fromUtf8(reply.last()));
        return false;
    }
    socket.write("EHLO localhost\r\n");
    if (!readReply(reader, reply)) {
        error = reader.error();
        return false;
    }
    bool offered = false;
    for (const QByteArray& line : std::as_const(reply))
        offered = offered || line.mid(4).trimmed().toUpper() == "STARTTLS";
    if (!reply.last().startsWith("250") || !offered) {
        error = refused(serverText, reply);
        return false;
    }
    socket.write("STARTTLS\r\n");
    if (!readReply(reader, reply)) {
        error = reader.error();
        return false;
    }
    reader.discardBuffered();
    if (!reply.last().startsWith("220")) {
        error = refused(serverText, reply);
        return false;
    }
    if (!socket.startTls()) {
        error = socket.error();
        return false;
    }
    return true;
}

} // namespace

Result<QByteArray> AcceptedSmtpKey(const ServerAddress& address, const QString& serverText,
                                   const CertificateTrust& trust, MailSocket::Timeouts timeouts) {
    MailSocket socket(timeouts, trust);
    if (!socket.open(address, serverText))
        return Result<QByteArray>::failure(socket.error());
    LineReader reader(socket, timeouts.idleMillis);
    QString error;
    if (!address.tlsFromStart && !startTls(socket, reader, serverText, error))
        return Result<QByteArray>::failure(error);
    const QByteArray key = socket.peerCertificate().publicKey().toDer();
    socket.write("QUIT\r\n");
    QByteArray bye;
    (void)reader.readLine(bye, reader.deadlineFor(0));
    socket.close();
    return "sha256//" + QCryptographicHash::hash(key, QCryptographicHash::Sha256).toBase64();
}
