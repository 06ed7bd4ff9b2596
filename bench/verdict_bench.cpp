// What judging the sender adds to a check of 1000 mails whose provider wrote
// a verdict: the storing side as the check runs it (decoding, unpacking,
// appending the record, its unread mark beside it) with and without the
// verdicts (the trusted Authentication-Results, the signs of posing, the
// verdict kept with the mark), for a reader with 300 people in the address
// book, each of another domain. No DNS: with the provider's word our own
// check asks nothing. Times are the processor time of the storing thread,
// rounds alternating, medians.
//   verdict_bench WORK_FOLDER [ROUNDS]
#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "benchmail.h"
#include "receive/receivedmail.h"
#include "receive/senderverdicts.h"
#include "search/unreadmarks.h"
#include "settings/accountprofile.h"
#include "settings/trustedauthserv.h"
#include "store/addressfile.h"
#include "store/mailfile.h"
#include "transport/maillibraries.h"

namespace {

qint64 threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Stores the mails into a fresh folder: the storing thread's processor time.
struct Times {
    qint64 storing = 0; // the whole storing side
    qint64 judging = 0; // of it, the verdicts themselves
};

Times storeAll(const QString& folder, const QList<QByteArray>& mails, bool judge) {
    QDir(folder).removeRecursively();
    const AppPaths paths(folder);
    if (!QDir().mkpath(paths.applicationFolder()) || !paths.ensureLayout())
        return {-1, 0};
    (void)TrustedAuthserv(paths.dataFile(TrustedAuthserv::kFileName))
        .save(QStringLiteral("mx.provider.example"));
    const AddressFile book = AddressFile::book(paths);
    for (int i = 1; i <= 300; ++i)
        if (!book.AppendAddressRecord(QStringLiteral("取引先 %1").arg(i),
                                      QStringLiteral("info@partner%1.co.jp").arg(i)))
            return {-1, 0};
    const MailFile received = MailFile::received(paths);
    Result<MailFacts> opened = MailFacts::open(received.path()); // as the check opens them
    if (!opened)
        return {-1, 0};
    MailFacts facts = std::move(opened).value();
    MessageProcessor processor(paths);
    SenderVerdicts verdicts(paths, AccountProfile::kFirstKey, std::nullopt);
    Times times;
    const qint64 begun = threadCpuNs();
    for (const QByteArray& raw : mails) {
        const ReceivedMail mail = ReceivedMail::prepare(raw, processor);
        const qint64 j0 = threadCpuNs();
        const QByteArray verdict = judge ? verdicts.verdictOf(raw, mail.message) : QByteArray();
        times.judging += threadCpuNs() - j0;
        const QByteArray record = mail.processed.record.toBytes();
        facts.beforeAppend();
        const Result<int> row = received.append(mail.processed.record);
        if (!row ||
            !facts.recordAppended(*row, record, {UnreadMarks::kUnreadFact, {SenderVerdicts::kFact, verdict}}))
            return {-1, 0};
    }
    times.storing = threadCpuNs() - begun;
    return times;
}

double median(QList<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2] / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: verdict_bench WORK_FOLDER [ROUNDS]\n");
        return 2;
    }
    const MailLibraries libraries;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
    QList<QByteArray> mails;
    for (int i = 1; i <= 1000; ++i)
        mails << "Authentication-Results: mx.provider.example;\r\n dkim=pass header.d=example.jp; spf=pass "
                 "smtp.mailfrom=example.jp;\r\n dmarc=pass (p=none) header.from=example.jp\r\n" +
                     BenchMail(i);
    QList<qint64> without, with, judging;
    for (int r = 0; r < rounds; ++r) {
        const Times plain = storeAll(folder, mails, false);
        const Times judged = storeAll(folder, mails, true);
        if (plain.storing < 0 || judged.storing < 0)
            return 1;
        without << plain.storing;
        with << judged.storing;
        judging << judged.judging;
    }
    const double plain = median(without), judged = median(with), verdicts = median(judging);
    std::printf("storing 1000 mails: %.3f s; with their verdicts: %.3f s (+%.1f %%), of which judging %.3f s "
                "(%.1f %% of storing without); medians of %d\n",
                plain, judged, 100.0 * (judged - plain) / plain, verdicts, 100.0 * verdicts / plain, rounds);
    return 0;
}
