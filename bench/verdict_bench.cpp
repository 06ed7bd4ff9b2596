// What judging the sender costs a check of 1000 mails whose provider wrote a
// verdict: the storing side's own work on the same mails (decoding,
// unpacking, appending the record) against the verdicts added to it (the
// trusted Authentication-Results, the signs of posing, the facts written).
// No DNS: with the provider's word our own check asks nothing. Times are
// the processor time of the storing thread, not of the clock on the wall.
//   verdict_bench APP_FOLDER
#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <ctime>

#include "benchmail.h"
#include "receive/receivedmail.h"
#include "receive/senderverdicts.h"
#include "settings/trustedauthserv.h"
#include "store/mailfile.h"
#include "transport/maillibraries.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: verdict_bench APP_FOLDER\n");
        return 2;
    }
    const MailLibraries libraries;
    const AppPaths paths(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(paths.applicationFolder()) || !paths.ensureLayout())
        return 1;
    QList<QByteArray> mails;
    for (int i = 1; i <= 1000; ++i)
        mails << "Authentication-Results: mx.provider.example;\r\n dkim=pass header.d=example.jp; spf=pass "
                 "smtp.mailfrom=example.jp;\r\n dmarc=pass (p=none) header.from=example.jp\r\n" +
                     BenchMail(i);
    (void)TrustedAuthserv(paths.dataFile(TrustedAuthserv::kFileName))
        .save(QStringLiteral("mx.provider.example"));

    // A history that had facts before, as after the first check.
    if (!MailFacts::open(paths.receivedMailFile()))
        return 1;
    // As on the check's storing thread: each mail stored, then judged.
    // Processor time of this thread: the machine's other work does not count.
    const auto cpuNow = [] {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    };
    struct {
        qint64 begun = 0;
        decltype(cpuNow)* now;
        void start() { begun = (*now)(); }
        qint64 nsecsElapsed() const { return (*now)() - begun; }
    } t{0, &cpuNow};
    qint64 storing = 0;
    qint64 judging = 0;
    MessageProcessor processor(paths);
    const MailFile received = MailFile::received(paths);
    SenderVerdicts verdicts(paths, std::nullopt);
    for (int i = 0; i < mails.size(); ++i) {
        t.start();
        const ReceivedMail mail = ReceivedMail::prepare(mails[i], processor);
        const Result<int> row = received.append(mail.processed.record);
        if (!row)
            return 1;
        storing += t.nsecsElapsed();
        t.start();
        verdicts.judge(*row, mails[i], mail.message);
        judging += t.nsecsElapsed();
    }
    t.start();
    if (!verdicts.save())
        return 1;
    const qint64 keeping = t.nsecsElapsed();
    std::printf(
        "storing 1000 mails %.3f s; their verdicts judged in %.3f s and kept in %.3f s: %.1f %% of the "
        "storing\n",
        storing / 1e9, judging / 1e9, keeping / 1e9, 100.0 * double(judging + keeping) / double(storing));
    return 0;
}
