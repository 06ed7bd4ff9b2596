// Closing the main window ends the program within two seconds, whatever it
// is waiting for: a stalled server during a check, a send or a reply, or a
// question of its own that nobody is left to answer.
#include <QElapsedTimer>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"

namespace {

// Starts the child at `stage`; returns how long it lived after saying it
// closes its main window, or -1 when it never got there or outlived `limit`.
qint64 millisAfterClosing(const char* stage, const QString& appFolder, const QString& server, qint64 limit) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return -1;
    const QByteArray folder = QFile::encodeName(appFolder);
    const QByteArray pop3 = server.toLocal8Bit();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execl(FENNICK_QUIT_CHILD, FENNICK_QUIT_CHILD, stage, folder.constData(),
                pop3.isEmpty() ? nullptr : pop3.constData(), nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    QByteArray said;
    pollfd p{out[0], POLLIN, 0};
    char buffer[256];
    while (!said.contains("closing\n") && ::poll(&p, 1, 30000) > 0) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        said.append(buffer, n);
    }
    ::close(out[0]);
    QElapsedTimer since;
    since.start();
    int status = 0;
    while (said.contains("closing\n") && ::waitpid(pid, &status, WNOHANG) == 0 && since.elapsed() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const qint64 lived = since.elapsed();
    if (::kill(pid, 0) == 0 && ::waitpid(pid, &status, WNOHANG) == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return said.contains("closing\n") ? lived : -1;
}

} // namespace

TEST(Quitting, theProcessEndsWithinTwoSecondsOfTheMainWindowClosingAtAnyStage) {
    ASSERT_TRUE(TestMailServers::available());
    struct Row {
        const char* stage;
        QString server; // none: a stalled server of the child's own
    };
    const Row rows[] = {
        {"check", {}},     {"send", {}}, {"reply", {}}, {"certificate", TestMailServers::pop3sServer()},
        {"plaintext", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stage);
        TempFolder app;
        const qint64 lived = millisAfterClosing(row.stage, app.path(), row.server, 5000);
        EXPECT_GE(lived, 0) << "never closed, or still running after 5 s";
        EXPECT_LT(lived, 2000);
    }
}
