// A send to every address-book entry, end to end against the local Postfix:
// 200 entries (the test mailboxes u1 … u200), a short Japanese mail each,
// over the submission port with STARTTLS and a login, every accepted mail
// written to the sent history. Started by bench/run-send-bench.sh, which
// puts a delaying proxy in front of the server and counts its connections.
//   send_bench SERVERS_DIR SMTP_SERVER APP_FOLDER [ENTRIES]
// The send trusts the servers' self-signed certificate as a user who said
// yes to it once would, and knows the server gives TLS.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSslCertificate>
#include <cstdio>

#include "compose/mailsend.h"
#include "serversenv.h"
#include "store/addressfile.h"
#include "transport/certificatetrust.h"
#include "transport/maillibraries.h"
#include "transport/serveraddress.h"
#include "transport/smtpsender.h"
#include "transport/tlspolicy.h"

int main(int argc, char* argv[]) {
    const MailLibraries mailLibraries;
    QCoreApplication app(argc, argv);
    if (argc < 4)
        qFatal("usage: send_bench SERVERS_DIR SMTP_SERVER APP_FOLDER [ENTRIES]");
    const QString servers = QString::fromLocal8Bit(argv[1]);
    const QString server = QString::fromLocal8Bit(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    const int entries = argc > 4 ? std::atoi(argv[4]) : 200;
    const QString domain = ServerSetting(servers, QStringLiteral("MAIL_DOMAIN"));

    QDir().mkpath(folder);
    const AppPaths paths(folder);
    if (!paths.ensureLayout())
        qFatal("cannot lay out %s", qPrintable(folder));
    const AddressFile book = AddressFile::book(paths);
    for (int i = 1; i <= entries; ++i)
        if (!book.AppendAddressRecord(QStringLiteral("宛先 %1").arg(i),
                                      QStringLiteral("u%1@%2").arg(i).arg(domain)))
            qFatal("cannot write the address book");

    const QList<QSslCertificate> certificate = QSslCertificate::fromPath(
        ServerSetting(servers, QStringLiteral("MAIL_ROOT")) + QStringLiteral("/tls/cert.pem"));
    const CertificateTrust trust(paths.dataFile(CertificateTrust::kFileName), {});
    const QString host = ServerAddress::parse(server, kSmtpScheme)->host;
    if (!trust.trust(host, CertificateTrust::fingerprint(certificate.first())))
        qFatal("cannot trust the server certificate");
    const TlsPolicy policy(paths.dataFile(TlsPolicy::kFileName), {});
    if (!policy.rememberTls(TlsPolicy::service("smtp", *ServerAddress::parse(server, kSmtpScheme))))
        qFatal("cannot note the server's TLS");
    SmtpSender::Options options;
    options.login = {QStringLiteral("u1"), QStringLiteral("pw-u1")};
    const MailSend send(paths, std::make_shared<SmtpSender>(options, trust, policy));

    SendRequest request;
    request.toText = QStringLiteral("u1@") + domain;
    request.subject = QStringLiteral("性能測定の一括送信");
    request.body = QStringLiteral("これは一括送信の性能測定用のメールです。\r\n").repeated(20);
    request.sendToAll = true;
    request.listEntries = entries;
    request.smtpServer = server;
    request.sender = QStringLiteral("u1@") + domain;
    request.dateText = QStringLiteral("2026/12/08  9:00:00");

    QElapsedTimer timer;
    timer.start();
    const SendReport report = send.run(request);
    const double seconds = timer.nsecsElapsed() / 1e9;
    int sent = 0;
    for (const SendPass& pass : report.passes)
        sent += pass.sent() ? 1 : 0;
    if (report.refusal)
        std::fprintf(stderr, "refused: %s\n", qPrintable(report.refusal->debugText()));
    std::printf("fennick send-to-all: %d of %d sent in %.3f s\n", sent, entries, seconds);
    return sent == entries ? 0 : 1;
}
