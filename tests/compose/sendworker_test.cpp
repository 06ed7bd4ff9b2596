// The send worker: the report comes back on the window's thread.
#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

#include "compose/sendworker.h"
#include "tests/support/tempfolder.h"

TEST(SendWorker, theReportComesBackOnceOnTheOwnersThread) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    SendRequest request;
    request.toText = QStringLiteral("a@x.jp");
    request.attachText = app.file(QStringLiteral("missing.txt")); // refused before any connection

    QObject owner;
    SendWorker worker(&owner);
    QList<SendReport> reports;
    QThread* deliveredOn = nullptr;
    bool runningInside = true;
    worker.start(MailSend(paths), request, [&](const SendReport& report) {
        reports.append(report);
        deliveredOn = QThread::currentThread();
        runningInside = worker.running();
    });
    EXPECT_TRUE(worker.running());
    worker.start(MailSend(paths), request, [&](const SendReport& report) { reports.append(report); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.isEmpty(); }, 10000));
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    EXPECT_FALSE(runningInside) << "the window may send again from its handler";
    ASSERT_TRUE(reports[0].refusal.has_value());
    EXPECT_TRUE(reports[0].refusal->name.endsWith(QStringLiteral("missing.txt")));
    EXPECT_TRUE(reports[0].passes.isEmpty());
    // The second start, while the first ran, was not taken.
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 1);
}
