// The one way work runs beside the windows: what a job reports reaches home
// in order (or only the latest), and a cancel reaches the job wherever it
// waits. Here beside the transport, since one place a job waits is a socket.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <atomic>
#include <gtest/gtest.h>

#include "tests/support/scriptedserver.h"
#include "tests/support/tempfolder.h"
#include "tests/support/waitfor.h"
#include "text/backgroundtask.h"
#include "transport/mailsocket.h"
#include "transport/serveraddress.h"

namespace {

using Job = BackgroundTask::Job;
using Heard = std::shared_ptr<QStringList>; // appended to at home only

struct Row {
    const char* name;
    // Runs as the job; `ready` tells the test it now waits (to be cancelled).
    std::function<void(Job&, std::atomic<bool>& ready, Heard heard)> work;
    bool cancelWhenReady;
    // Home hears nothing until the job has returned: what it posted piles up.
    bool holdHome;
    QStringList heard; // at home, in order; empty: 1 … 100
};

// A call that, at home, notes `what`.
std::function<void()> note(const Heard& heard, const QString& what) {
    return [heard, what] { heard->append(what); };
}

} // namespace

TEST(BackgroundTask, reportsReachHomeInOrderAndACancelReachesTheJobWhereverItWaits) {
    const ScriptedServer silentServer({{ScriptedServer::silent(60000)}});
    TempFolder folder;
    QStringList numbers;
    for (int i = 1; i <= 100; ++i)
        numbers << QString::number(i);
    const Row rows[] = {
        {"posts-arrive-in-order",
         [](Job& job, std::atomic<bool>&, Heard heard) {
             for (int i = 1; i <= 100; ++i)
                 job.post(note(heard, QString::number(i)));
         },
         false,
         false,
         {}},
        {"latest-only-keeps-the-newest-of-a-burst",
         [](Job& job, std::atomic<bool>&, Heard heard) {
             for (int i = 1; i <= 1000; ++i)
                 job.postLatest(7, note(heard, QString::number(i)));
         },
         false,
         true,
         {QStringLiteral("1000")}},
        {"cancel-while-waiting-on-a-socket",
         [&silentServer](Job& job, std::atomic<bool>& ready, Heard heard) {
             const CertificateTrust trust;
             MailSocket socket({}, trust);
             QByteArray in;
             const bool opened = socket.open(*ServerAddress::parse(silentServer.address(), kPop3Scheme),
                                             silentServer.address());
             ready = true;
             const bool read = opened && socket.readSome(in, 100, socket.nowMillis() + 60000);
             job.post(note(heard, read ? QStringLiteral("read")
                                       : QString::fromLatin1(QMetaEnum::fromType<Error::Kind>().valueToKey(
                                             int(socket.error().kind)))));
         },
         true,
         false,
         {QStringLiteral("Cancelled")}},
        {"cancel-withdraws-a-question-not-yet-shown",
         [](Job& job, std::atomic<bool>& ready, Heard heard) {
             ready = true;
             const std::optional<bool> answer = job.ask<bool>([heard] {
                 heard->append(QStringLiteral("asked"));
                 return true;
             });
             job.post(note(heard, answer ? QStringLiteral("answered") : QStringLiteral("withdrawn")));
         },
         true,
         true,
         {QStringLiteral("withdrawn")}},
        {"a-question-is-answered-at-home",
         [](Job& job, std::atomic<bool>&, Heard heard) {
             const std::optional<int> answer = job.ask<int>([] { return 42; });
             job.post(note(heard, QString::number(answer.value_or(0))));
         },
         false,
         false,
         {QStringLiteral("42")}},
        {"cancel-during-a-long-file-operation",
         [&folder](Job& job, std::atomic<bool>& ready, Heard heard) {
             QFile file(folder.file(QStringLiteral("long")));
             (void)file.open(QIODevice::WriteOnly);
             const QByteArray block(64 * 1024, 'x');
             for (qint64 written = 0; !job.cancelled() && written < (qint64(1) << 40);
                  written += block.size()) {
                 (void)file.write(block);
                 (void)file.seek(0); // long, without filling the disk
                 ready = true;
             }
             job.post(note(heard, job.cancelled() ? QStringLiteral("stopped") : QStringLiteral("finished")));
         },
         true,
         false,
         {QStringLiteral("stopped")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Heard heard = std::make_shared<QStringList>();
        std::atomic<bool> ready = false;
        std::atomic<bool> returned = false;
        BackgroundTask task;
        ASSERT_TRUE(task.start(
            [&](Job& job) {
                row.work(job, ready, heard);
                returned = true;
            },
            note(heard, QStringLiteral("done"))));
        EXPECT_FALSE(task.start([](Job&) {})) << "one job at a time";
        if (row.cancelWhenReady) {
            while (!ready)
                QThread::yieldCurrentThread();
            task.cancel();
        }
        if (row.holdHome)
            while (!returned)
                QThread::yieldCurrentThread();
        // Far sooner than any of the waits would end by itself.
        EXPECT_TRUE(WaitFor([&] { return !task.isRunning(); }, 10000));
        EXPECT_EQ(*heard, (row.heard.isEmpty() ? numbers : row.heard) + QStringList{QStringLiteral("done")});
    }
}

TEST(BackgroundTask, aBurstOfLatestCallsWakesHomeOncePerSpacingAndAPostAfterThemStillComesLast) {
    const Heard heard = std::make_shared<QStringList>();
    std::atomic<qint64> burstMillis = 0;
    BackgroundTask task;
    ASSERT_TRUE(task.start([&](Job& job) {
        QElapsedTimer burst;
        burst.start();
        for (int i = 1; i <= 300; ++i) { // one a millisecond: several spacings' worth
            job.postLatest(1, note(heard, QString::number(i)));
            QThread::msleep(1);
        }
        job.postLatest(1, note(heard, QStringLiteral("last")));
        burstMillis = burst.elapsed();
        job.post(note(heard, QStringLiteral("posted")));
    }));
    // Home runs freely meanwhile, as a window's event loop does.
    ASSERT_TRUE(WaitFor([&] { return !task.isRunning(); }, 10000));
    const qint64 spacings = burstMillis / BackgroundTask::kLatestSpacing.count();
    EXPECT_LE(heard->size(), spacings + 3) << heard->join(u' ').toStdString();
    EXPECT_EQ(heard->mid(heard->size() - 2), (QStringList{QStringLiteral("last"), QStringLiteral("posted")}));
}
