// Closing the main window ends the program within a second, and normally
// (its windows and their work are destroyed, files closed), whatever it is
// waiting for: a stalled server during a check, a send or a reply, a
// question of its own that nobody is left to answer, a long import.
#include <QElapsedTimer>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"

namespace {

struct Ending {
    qint64 millis = -1;  // from saying it closes to its end; -1: never closed, or outlived the limit
    bool normal = false; // exit status 0, after saying it ended
};

// Starts the child at `stage`; how it ended after saying it closes its main window.
Ending endAfterClosing(const char* stage, const QString& appFolder, const QString& server, qint64 limit) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {};
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
    const auto readSome = [&](int millis) {
        if (::poll(&p, 1, millis) <= 0)
            return false;
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0)
            said.append(buffer, n);
        return n > 0;
    };
    while (!said.contains("closing\n") && readSome(30000)) {
    }
    QElapsedTimer since;
    since.start();
    int status = 0;
    Ending ending;
    while (said.contains("closing\n") && since.elapsed() < limit) {
        (void)readSome(5);
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            ending.millis = since.elapsed();
            break;
        }
    }
    while (readSome(0)) {
    }
    ::close(out[0]);
    if (ending.millis < 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return ending;
    }
    ending.normal = WIFEXITED(status) && WEXITSTATUS(status) == 0 && said.endsWith("ended\n");
    return ending;
}

} // namespace

TEST(Quitting, theProcessEndsNormallyWithinASecondOfTheMainWindowClosingAtAnyStage) {
    ASSERT_TRUE(TestMailServers::available());
    struct Row {
        const char* stage;
        QString server; // none: a stalled server of the child's own
    };
    const Row rows[] = {
        {"check", {}},     {"send", {}},   {"reply", {}}, {"certificate", TestMailServers::pop3sServer()},
        {"plaintext", {}}, {"import", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stage);
        TempFolder app;
        const Ending ending = endAfterClosing(row.stage, app.path(), row.server, 5000);
        EXPECT_GE(ending.millis, 0) << "never closed, or still running after 5 s";
        EXPECT_LT(ending.millis, 1000);
        EXPECT_TRUE(ending.normal) << "exit status 0 once the program was gone";
    }
}
