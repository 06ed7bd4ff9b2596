// The history window on a full received-mail file (32767 records, about
// 1 GB): time to open it with every row listed; opened with 10,000 mails
// unread against the same records as the sent history, which has no marks
// (rounds alternating, medians), and the marks alone on the unchanged file
// and on one changed behind their back; a click on a row, and the deletion
// of one mail beside two plain copies of the file. Runs on the offscreen
// platform: history_bench [folder]
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "search/unreadmarks.h"
#include "transport/maillibraries.h"
#include "ui/appcontext.h"
#include "ui/qtprompter.h"

namespace {

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double plainCopySeconds(const QString& from, const QString& to) {
    QElapsedTimer t;
    t.start();
    QFile in(from);
    QFile out(to);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("copy failed");
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (qint64 n; (n = in.read(buffer.data(), buffer.size())) > 0;)
        out.write(buffer.constData(), n);
    out.flush();
    out.close();
    const double s = t.nsecsElapsed() / 1e9;
    QFile::remove(to);
    return s;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double timeOpening(TyakuForm& form, HistoryMode mode) {
    QElapsedTimer t;
    t.start();
    form.OpenHistory(mode);
    QApplication::processEvents();
    return t.nsecsElapsed() / 1e9;
}

double marksSeconds(const QString& file) {
    QElapsedTimer t;
    t.start();
    Result<UnreadMarks> marks = UnreadMarks::open(file);
    if (!marks || !marks.value().rows())
        qFatal("marks unreadable");
    return t.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    const MailLibraries mailLibraries;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path();
    QtPrompter prompter;
    AppContext context(AppPaths(folder), folder);
    context.prompter = &prompter;
    if (!context.paths.ensureLayout())
        qFatal("cannot lay out %s", qPrintable(folder));

    const int records = RecordFile::kMaxRecords;
    QFile::remove(MailFacts::pathFor(context.paths.receivedMailFile())); // of a file written before
    {
        QFile out(context.paths.receivedMailFile());
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the record file");
        for (int i = 1; i <= records; ++i)
            out.write(MailRecord{QStringLiteral("件名 %1").arg(i),
                                 QStringLiteral("Mon, 7 Dec 2026 09:00:00 +0900"), MailRecord::kTextKind,
                                 QStringLiteral("差出人%1 <a@example.jp>").arg(i),
                                 QStringLiteral("本文です。").repeated(300), 1}
                          .toBytes());
    }
    std::printf("history of %d records, %lld bytes\n", records, qint64(records) * MailRecord::kSize);

    EditorState editor;
    const long rssBefore = peakRssKb();
    QElapsedTimer t;
    t.start();
    TyakuForm form(context, editor);
    form.OpenHistory(HistoryMode::Received);
    QApplication::processEvents(); // the rows are laid out and painted
    const double openSeconds = t.nsecsElapsed() / 1e9;
    if (form.MailListView->model()->rowCount() != records)
        qFatal("rows missing");
    std::printf("open with every row listed: %.3f s, peak RSS %.1f MB (%.1f MB before)\n", openSeconds,
                peakRssKb() / 1024.0, rssBefore / 1024.0);

    // The same records as the sent history (one file under two names) give
    // the time of a history without marks.
    const QString file = context.paths.receivedMailFile();
    QFile::remove(context.paths.sentMailFile());
    if (::link(QFile::encodeName(file).constData(),
               QFile::encodeName(context.paths.sentMailFile()).constData()))
        qFatal("cannot link the sent history");
    const int unread = 10000;
    {
        QList<int> rows;
        for (int i = 0; i < unread; ++i)
            rows.append(1 + int(qint64(i) * records / unread));
        Result<UnreadMarks> marks = UnreadMarks::open(file);
        if (!marks || !marks.value().mark(rows, true))
            qFatal("cannot mark");
    }
    (void)timeOpening(form, HistoryMode::Received); // the marks' first look at the file
    constexpr int kRounds = 15;
    QList<double> withMarks, withoutMarks;
    for (int round = 0; round < kRounds; ++round) { // each first in every other round
        if (round % 2 == 0)
            withoutMarks.append(timeOpening(form, HistoryMode::Sent));
        withMarks.append(timeOpening(form, HistoryMode::Received));
        if (round % 2 == 1)
            withoutMarks.append(timeOpening(form, HistoryMode::Sent));
    }
    if (form.windowTitle() != QStringLiteral("着信履歴（未読 %1 件）").arg(unread))
        qFatal("marks missing");
    const double before = median(withoutMarks), after = median(withMarks);
    std::printf("open, medians of %d alternating: %d unread %.3f s, no marks (sent history) %.3f s, "
                "ratio %.3f\n",
                kRounds, unread, after, before, after / before);
    const double unchanged = marksSeconds(file);
    {
        QFile touched(file); // a record rewritten in place: the marks must look at every record
        if (!touched.open(QIODevice::ReadWrite) || !touched.seek(MailRecord::kSize + 5) ||
            touched.write("x", 1) != 1)
            qFatal("cannot change the file");
    }
    const double changed = marksSeconds(file);
    std::printf("marks read: unchanged file %.1f ms; file changed behind their back %.1f ms\n",
                unchanged * 1e3, changed * 1e3);
    QFile::remove(context.paths.sentMailFile());

    // A click on a read mail, then on an unread one, which it marks read.
    for (bool bold : {false, true}) {
        int r = records / 2;
        while (form.MailListView->model()->index(r, 0).data(Qt::FontRole).value<QFont>().bold() != bold)
            ++r;
        form.MailListView->setCurrentIndex(form.MailListView->model()->index(r, 0));
        t.restart();
        form.MailListView_Click();
        std::printf("click on row %d (%s): %.3f ms\n", r + 1, bold ? "unread" : "read",
                    t.nsecsElapsed() / 1e6);
    }

    const double copies = plainCopySeconds(file, file + QStringLiteral(".copy1")) +
                          plainCopySeconds(file, file + QStringLiteral(".copy2"));
    const MailFile mails(file, context.paths.dataFile(QStringLiteral("ORXDATA2.TMP")));
    t.restart();
    if (!mails.markDeleted(records / 2) || !mails.compact())
        qFatal("delete failed");
    const double deleteSeconds = t.nsecsElapsed() / 1e9;
    std::printf(
        "delete one mail (mark + rebuild, with fsync): %.3f s; two plain copies: %.3f s; ratio %.2f\n",
        deleteSeconds, copies, deleteSeconds / copies);
    QFile::remove(file);
    return 0;
}
