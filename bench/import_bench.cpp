// Builds an mbox file of about 1 GB (text mails, every tenth with a 500 KB
// attachment) and times what an import reads before it asks anything: every
// message once, for its key. Also prints the peak resident memory, which
// must not grow with the file. Usage: import_bench [folder]  (default: a
// temporary folder)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

#include "exchange/mailimport.h"
#include "exchange/mbox.h"

namespace {

// Seconds of processor time (user and system) so far: steadier than the
// clock on a machine that other work shares.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int makeMbox(const QString& path, qint64 bytes) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    const QByteArray text = QByteArray("Hello, this is line of a plain text mail.\n").repeated(100);
    const QByteArray attachment = QByteArray(QByteArray(57, 'x').toBase64() + '\n').repeated(500 * 1024 / 77);
    int n = 0;
    while (out.size() < bytes) {
        ++n;
        QByteArray mail = "From: sender" + QByteArray::number(n) + "@example.jp\nSubject: mail " +
                          QByteArray::number(n) + "\nMessage-ID: <" + QByteArray::number(n) +
                          "@bench.example.jp>\nDate: Mon, 7 Dec 2026 09:00:00 +0900\n";
        if (n % 10 == 0)
            mail += "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\n" + text +
                    "--b\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\n" +
                    attachment + "--b--\n";
        else
            mail += "\n" + text + "From the sales team: a line an mbox quotes.\n";
        out.write(Mbox::entry("From sender@example.jp Mon Dec  7 09:00:00 2026", mail));
    }
    return n;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString mbox = folder + QStringLiteral("/bench.mbox");
    const AppPaths paths(folder + QStringLiteral("/app"));
    if (!paths.ensureLayout())
        qFatal("cannot make the application folder");

    QElapsedTimer timer;
    timer.start();
    const int messages = makeMbox(mbox, qint64(1) << 30);
    const qint64 size = QFileInfo(mbox).size();
    std::printf("created %d messages (%lld bytes) in %.2f s\n", messages, size, timer.elapsed() / 1000.0);

    const long rssBefore = peakRssKb();
    QList<double> seconds, cpu;
    for (int round = 0; round < 5; ++round) {
        const double cpuBefore = cpuSeconds();
        timer.restart();
        const Result<MailImport::Plan> plan = MailImport::prepare(ImportSource::Kind::Mbox, mbox, paths);
        seconds.append(timer.nsecsElapsed() / 1e9);
        cpu.append(cpuSeconds() - cpuBefore);
        if (!plan || plan->keys.size() != messages)
            qFatal("reading the mbox failed");
    }
    std::sort(seconds.begin(), seconds.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("read every message for its key: median %.3f s (%.0f MB/s), fastest %.3f s, "
                "median processor time %.3f s\n",
                seconds[2], size / seconds[2] / 1e6, seconds[0], cpu[2]);
    std::printf("peak RSS: %.1f MB (%.1f MB before reading)\n", peakRssKb() / 1024.0, rssBefore / 1024.0);
    QFile::remove(mbox);
    return 0;
}
