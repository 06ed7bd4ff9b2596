// The mail check end to end against the local Dovecot: a mailbox of 1000
// messages of about 10 KB (a third with a 50 KB attachment, a third in
// ISO-2022-JP) is fetched, stored, unpacked and deleted, on the check's
// worker thread with every report delivered to the main thread. Started by
// bench/run-receive-bench.sh, which also times mpop on the same mailbox,
// straight and through a delaying proxy.
//   receive_bench SERVERS_DIR ACCOUNT fill|check|fetch APP_FOLDER [POP3_SERVER]
// "fetch" runs the POP3 session alone: every message fetched raw and
// deleted, nothing decoded or stored. "keep" checks an account that leaves
// its mail on the server (only what is new is fetched); "fill" takes the
// number of messages as a fifth argument (1000 without it). ACCOUNT may name
// several ("u1,u2,u3"): "fill" fills each, "check" checks them as further
// accounts of one history, as 「受信」 does.
// The check trusts the servers' self-signed certificate as a user who said
// yes to it once would, and knows the server gives TLS, as after a first check.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

#include "benchmail.h"
#include "receive/mailcheckthread.h"
#include "serversenv.h"
#include "settings/firstaccount.h"
#include "settings/servercopysetting.h"
#include "transport/certificatetrust.h"
#include "transport/maillibraries.h"
#include "transport/pop3session.h"
#include "transport/serveraddress.h"
#include "transport/tlspolicy.h"

namespace {

void fill(const QString& maildir, int count) {
    for (int i = 1; i <= count; ++i) {
        const QString name = QStringLiteral("%1.bench%2.fennick").arg(1000000 + i).arg(getpid());
        QFile f(maildir + QStringLiteral("/new/") + name);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot fill %s", qPrintable(f.fileName()));
        f.write(BenchMail(i));
        f.close();
        if (::chown(QFile::encodeName(f.fileName()).constData(), 8, 8) != 0)
            qFatal("chown failed");
    }
}

void printPeakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(", peak RSS %.1f MB\n", usage.ru_maxrss / 1024.0);
}

int fetchOnly(Pop3Session& pop, const QString& server, const QString& account) {
    QElapsedTimer timer;
    timer.start();
    if (const Status connected = pop.connect(server); !connected)
        qFatal("%s", qPrintable(connected.error().debugText()));
    const Result<int> loggedInCount = pop.authenticate(account, QStringLiteral("pw-") + account, false);
    if (!loggedInCount)
        qFatal("%s", qPrintable(loggedInCount.error().debugText()));
    const int count = *loggedInCount;
    const qint64 loggedIn = timer.nsecsElapsed();
    qint64 bytes = 0;
    for (int n = 1; n <= count; ++n) {
        const Result<QByteArray> raw = pop.fetchRaw(n);
        if (!raw)
            qFatal("%s", qPrintable(raw.error().debugText()));
        bytes += raw->size();
    }
    const qint64 fetched = timer.nsecsElapsed();
    for (int n = 1; n <= count; ++n)
        if (!pop.remove(n))
            qFatal("cannot delete %d", n);
    if (const Status removed = pop.flushRemovals(); !removed)
        qFatal("%s", qPrintable(removed.error().debugText()));
    pop.close();
    const qint64 done = timer.nsecsElapsed();
    std::printf("fennick session alone: connect and login %.3f s, fetch %.3f s, delete and quit %.3f s\n",
                loggedIn / 1e9, (fetched - loggedIn) / 1e9, (done - fetched) / 1e9);
    std::printf("fennick session alone: %d messages, %.1f MB fetched and deleted in %.3f s", count,
                bytes / 1e6, done / 1e9);
    printPeakMemory();
    return count == 1000 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    const MailLibraries mailLibraries;
    QCoreApplication app(argc, argv);
    if (argc < 5)
        qFatal(
            "usage: receive_bench SERVERS_DIR ACCOUNT fill|check|fetch|keep APP_FOLDER [POP3_SERVER|COUNT]");
    const QString servers = QString::fromLocal8Bit(argv[1]);
    const QStringList accounts = QString::fromLocal8Bit(argv[2]).split(QLatin1Char(','));
    const QString account = accounts.first();
    const QString mode = QString::fromLocal8Bit(argv[3]);
    const QString appFolder = QString::fromLocal8Bit(argv[4]);
    if (mode == QStringLiteral("fill")) {
        for (const QString& each : accounts)
            fill(ServerSetting(servers, QStringLiteral("MAIL_ROOT")) + QStringLiteral("/mail/") + each,
                 argc > 5 ? std::atoi(argv[5]) : 1000);
        return 0;
    }
    QDir().mkpath(appFolder);
    const AppPaths paths(appFolder);
    if (!paths.ensureLayout())
        qFatal("cannot lay out %s", qPrintable(appFolder));
    QFile ini(paths.accountFile());
    if (!ini.open(QIODevice::WriteOnly))
        qFatal("cannot write the account");
    ini.write((QStringLiteral("[EXEINI]\r\nNAME=") + account + QStringLiteral("\r\nNAME2=pw-") + account +
               QStringLiteral("\r\n"))
                  .toLatin1());
    ini.close();
    const bool keeps = mode == QStringLiteral("keep");
    if (keeps && !ServerCopySetting::write(paths.accountFile(), {ServerCopy::Mode::Keep}))
        qFatal("cannot write the server copy");
    AppSettings settings;
    settings.servers.Pop3Server =
        argc > 5 ? QString::fromLocal8Bit(argv[5])
                 : QStringLiteral("127.0.0.1:") + ServerSetting(servers, QStringLiteral("POP3_PORT"));
    const QList<QSslCertificate> certificate = QSslCertificate::fromPath(
        ServerSetting(servers, QStringLiteral("MAIL_ROOT")) + QStringLiteral("/tls/cert.pem"));
    if (certificate.isEmpty())
        qFatal("no server certificate");
    const CertificateTrust trust(paths.dataFile(CertificateTrust::kFileName), {});
    if (!trust.isTrusted(QStringLiteral("127.0.0.1"), CertificateTrust::fingerprint(certificate.first())) &&
        !trust.trust(QStringLiteral("127.0.0.1"), CertificateTrust::fingerprint(certificate.first())))
        qFatal("cannot trust the server certificate");
    const TlsPolicy policy(paths.dataFile(TlsPolicy::kFileName), {});
    if (!policy.rememberTls(
            TlsPolicy::service("pop3", *ServerAddress::parse(settings.servers.Pop3Server, kPop3Scheme))))
        qFatal("cannot note the server's TLS");
    Pop3Session pop({}, trust, policy);
    if (mode == QStringLiteral("fetch"))
        return fetchOnly(pop, settings.servers.Pop3Server, account);
    QElapsedTimer timer;
    qint64 firstStored = 0;
    qint64 lastStored = 0;
    MailCheckHooks hooks;
    hooks.received = [&](const LastReceived&) {
        lastStored = timer.nsecsElapsed();
        if (!firstStored)
            firstStored = lastStored;
    };
    // As the receive label runs it: on the worker thread, reporting to this one.
    MailCheck::Outcome outcome;
    MailCheckThread check(hooks, [&](const MailCheck::Outcome& o) {
        outcome = o;
        QCoreApplication::quit();
    });
    timer.start();
    QList<AccountProfile> profiles = {FirstAccountProfile(paths, settings)};
    for (qsizetype i = 1; i < accounts.size(); ++i) {
        AccountProfile further = profiles.first();
        further.key = QStringLiteral("b%1").arg(i, 7, 10, QLatin1Char('0'));
        further.displayName = further.loginId = accounts[i];
        further.password = QStringLiteral("pw-") + accounts[i];
        further.signInFile = paths.dataFile(QStringLiteral("oauth2-signin-") + further.key);
        profiles << further;
    }
    check.start(
        paths,
        [profiles] {
            return Accounts::Loaded{profiles, std::nullopt, std::nullopt, {}};
        },
        [&trust, &policy](const AccountProfile&) {
            return std::make_unique<Pop3Session>(Pop3Session::Options{}, trust, policy);
        });
    QCoreApplication::exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("fennick: login and first message %.3f s, fetch+store %.3f s, sync+delete+quit %.3f s\n",
                firstStored / 1e9, (lastStored - firstStored) / 1e9, seconds - lastStored / 1e9);
    std::printf("fennick: %d messages stored, %d deleted, %d passed over in %.3f s (%.0f messages/s)",
                outcome.stored, outcome.deleted, outcome.fetchedBefore, seconds, outcome.stored / seconds);
    printPeakMemory();
    for (const Error& error : outcome.errors)
        std::fprintf(stderr, "error: %s\n", qPrintable(error.debugText()));
    return (keeps || outcome.stored == 1000 * accounts.size()) && outcome.errors.isEmpty() ? 0 : 1;
}
