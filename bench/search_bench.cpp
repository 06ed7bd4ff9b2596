// History search on a full received-mail file (32767 records of generated
// Japanese business mail, about 1 GB): the first index build (on the
// worker, with the longest stall of the window thread meanwhile), 20
// queries in four kinds answered end to end (median and p95 over five runs
// each), the scan used while the index is not ready, and a plain search of
// the Shift-JIS bytes as the anchor. Usage: search_bench [folder]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "search/historysearch.h"
#include "search/recordscan.h"
#include "search/searchtext.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"
#include "tests/support/samplemail.h"
#include "text/shiftjis.h"

namespace {

struct QueryKind {
    const char* name;
    QStringList queries;
};

double percentile(QList<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.at(std::min<qsizetype>(values.size() - 1, qsizetype(p * (values.size() - 1) + 0.5)));
}

// Every record whose bytes hold the query's Shift-JIS bytes: no folding.
int plainByteScan(const QString& file, const QByteArray& needle) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(file));
    const qint64 batch = 32;
    QByteArray buffer(batch * MailRecord::kSize, Qt::Uninitialized);
    int hits = 0;
    for (qint64 got; (got = in.read(buffer.data(), buffer.size())) > 0;)
        for (qint64 at = 0; at + MailRecord::kSize <= got; at += MailRecord::kSize)
            if (memmem(buffer.constData() + at, MailRecord::kSize, needle.constData(), size_t(needle.size())))
                ++hits;
    return hits;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    const QString file = folder + QStringLiteral("/orxdata2.data");
    const QString index = folder + QStringLiteral("/orxdata2.search");
    const int records = RecordFile::kMaxRecords;

    QElapsedTimer timer;
    timer.start();
    SampleMail::writeHistory(file, records);
    std::printf("generated %d records (%lld bytes) in %.1f s\n", records, qint64(records) * MailRecord::kSize,
                timer.elapsed() / 1000.0);

    QList<int> answer;
    bool answered = false;
    bool ready = false;
    HistorySearch::Listener listener;
    listener.found = [&](const QString&, const QList<int>& found) {
        answer = found;
        answered = true;
    };
    listener.indexReady = [&] { ready = true; };
    HistorySearch search(file, index, listener);

    // The first build, on the worker; the window thread's timer keeps ticking.
    qint64 longestStallMs = 0;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout,
                     [&] { longestStallMs = std::max(longestStallMs, sinceTick.restart()); });
    timer.restart();
    sinceTick.start();
    tick.start();
    search.refresh();
    while (!ready)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    tick.stop();
    std::printf(
        "first index build: %.1f s (index %.0f MB); longest stall of the window thread meanwhile: %lld ms\n",
        timer.elapsed() / 1000.0, QFile(index).size() / 1e6, longestStallMs);

    const QList<QueryKind> kinds = {
        {"rare words",
         {QStringLiteral("案件A12345番"), QStringLiteral("五十嵐"), QStringLiteral("案件A7番"),
          QStringLiteral("案件A32767番"), QStringLiteral("案件A2026番")}},
        {"common words",
         {QStringLiteral("お世話"), QStringLiteral("請求書"), QStringLiteral("会議"),
          QStringLiteral("サーバー"), QStringLiteral("よろしく")}},
        {"two-word AND",
         {QStringLiteral("請求書 髙橋"), QStringLiteral("会議 月曜日"), QStringLiteral("見積書 査収"),
          QStringLiteral("セミナー 田中"), QStringLiteral("INVOICE consulting")}},
        {"half-width kana",
         {QStringLiteral("ｾﾐﾅｰ"), QStringLiteral("ﾃﾞｻﾞｲﾝ"), QStringLiteral("ﾛｸﾞｲﾝ"),
          QStringLiteral("ﾃｽﾄ工業"), QStringLiteral("ﾊﾟﾝﾌﾚｯﾄ")}},
    };
    constexpr int kRuns = 5;
    QList<double> all;
    std::printf("\n%-16s %-22s %8s %10s %10s %12s\n", "kind", "query", "hits", "median ms", "scan ms",
                "cp932 ms");
    for (const QueryKind& kind : kinds) {
        QList<double> ofKind;
        for (const QString& query : kind.queries) {
            QList<double> times;
            for (int run = 0; run < kRuns; ++run) {
                answered = false;
                timer.restart();
                search.find(query);
                while (!answered)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
                times.append(timer.nsecsElapsed() / 1e6);
            }
            const QList<int> scanned = RecordScan::find(file, SearchText::words(query)).value();
            if (scanned != answer)
                qFatal("index and scan disagree on %s", qPrintable(query));
            timer.restart();
            (void)RecordScan::find(file, SearchText::words(query));
            const double scanMs = timer.nsecsElapsed() / 1e6;
            timer.restart();
            const int byteHits = plainByteScan(file, ShiftJis::encode(query.section(u' ', 0, 0)));
            const double byteMs = timer.nsecsElapsed() / 1e6;
            std::printf("%-16s %-22s %8lld %10.1f %10.0f %8.0f (%d)\n", kind.name, qPrintable(query),
                        qint64(answer.size()), percentile(times, 0.5), scanMs, byteMs, byteHits);
            ofKind += times;
        }
        std::printf("  %s: median %.1f ms, p95 %.1f ms\n", kind.name, percentile(ofKind, 0.5),
                    percentile(ofKind, 0.95));
        all += ofKind;
    }
    std::printf("\nall 20 queries x %d runs: median %.1f ms, p95 %.1f ms, max %.1f ms\n", kRuns,
                percentile(all, 0.5), percentile(all, 0.95), percentile(all, 1.0));
    QFile::remove(file);
    return 0;
}
