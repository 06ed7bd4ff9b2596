// Builds a full received-mail file (32767 records, about 1 GB) and times what
// the history window needs of it: the list columns of every record, and one
// whole record. Usage: mailfile_bench [folder]  (default: a temporary folder)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

#include "store/mailfile.h"

namespace {

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

QByteArray makeFile(const QString& path, int records) {
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray last;
    for (int i = 1; i <= records; ++i) {
        const MailRecord r{QStringLiteral("件名 %1 のメール").arg(i),
                           QStringLiteral("Mon, 7 Dec 2026 09:00:00 +0900"),
                           i % 3 == 0 ? MailRecord::kHtmlKind : MailRecord::kTextKind,
                           QStringLiteral("差出人 <sender%1@example.jp>").arg(i),
                           QStringLiteral("本文です。").repeated(200),
                           1};
        last = r.toBytes();
        out.write(last);
    }
    return last;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString path = folder + QStringLiteral("/orxdata2.data");
    const int records = RecordFile::kMaxRecords;

    QElapsedTimer timer;
    timer.start();
    makeFile(path, records);
    std::printf("created %d records (%lld bytes) in %.2f s\n", records, qint64(records) * MailRecord::kSize,
                timer.elapsed() / 1000.0);

    const MailFile file(path, folder + QStringLiteral("/ORXDATA2.TMP"));
    const long rssBefore = peakRssKb();
    timer.restart();
    const auto rows = file.readListColumns();
    const double listMs = timer.nsecsElapsed() / 1e6;
    if (!rows || rows->size() != records)
        qFatal("list read failed");

    timer.restart();
    const auto last = file.read(records);
    const double lastMs = timer.nsecsElapsed() / 1e6;
    if (!last || !last->has_value())
        qFatal("last record read failed");

    std::printf("list columns of %d records: %.1f ms\n", records, listMs);
    std::printf("read last record:          %.3f ms\n", lastMs);
    std::printf("peak RSS: %.1f MB (%.1f MB before listing)\n", peakRssKb() / 1024.0, rssBefore / 1024.0);
    QFile::remove(path);
    return 0;
}
