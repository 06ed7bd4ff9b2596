// A mail check killed with SIGKILL at every step it takes, against the real
// Dovecot: after one more check every message is stored exactly once, and
// the mailbox is empty, or, for an account that leaves its mail on the
// server, still holds every message and the next check fetches none.
#include <QDir>
#include <QMap>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "receive/mailcheck.h"
#include "settings/firstaccount.h"
#include "settings/servercopysetting.h"
#include "store/mailfile.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"
#include "transport/pop3session.h"

namespace {

constexpr int kMessages = 20;
// The kill points are shared out between test cases that ctest can run side by side.
constexpr int kShards = 3;

struct ChildEnd {
    int signal = 0; // 0: it exited
    int exitCode = 0;
    QByteArray output;
};

// Runs the check in the helper process; killAt 0 lets it finish.
ChildEnd runChild(const QString& appFolder, int killAt) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        return {-1, -1, {}};
    const QByteArray folder = QFile::encodeName(appFolder);
    const QByteArray server = TestMailServers::pop3Server().toLocal8Bit();
    const QByteArray at = QByteArray::number(killAt);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        if (killAt > 0)
            ::setenv("FENNICK_KILL_AT", at.constData(), 1);
        ::execl(FENNICK_CRASH_CHILD, FENNICK_CRASH_CHILD, folder.constData(), server.constData(), nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    ChildEnd end;
    char buffer[256];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        end.output.append(buffer, n);
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status))
        end.signal = WTERMSIG(status);
    else
        end.exitCode = WEXITSTATUS(status);
    return end;
}

class MailCheckCrashTest : public testing::TestWithParam<std::tuple<ServerCopy::Mode, int>> {
  protected:
    TempFolder root;
    TestAccount account;
    const ServerCopy::Mode mode = std::get<0>(GetParam());
    const bool keeps = ServerCopy{mode}.keepsMail();

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
    }

    // A fresh application folder with the account, and kMessages waiting.
    AppPaths prepare(int run) {
        const AppPaths paths(root.file(QStringLiteral("app%1").arg(run)));
        EXPECT_TRUE(QDir().mkpath(paths.applicationFolder()) && paths.ensureLayout().ok());
        WriteBytes(paths.accountFile(), account.accountFileBytes());
        EXPECT_TRUE(ServerCopySetting::write(paths.accountFile(), {mode}).ok());
        // What an earlier run left on the server goes, as a phone would delete it.
        for (const QString& folder : {QStringLiteral("/new"), QStringLiteral("/cur")})
            for (const QFileInfo& f : QDir(account.maildir + folder).entryInfoList(QDir::Files))
                EXPECT_TRUE(QFile::remove(f.filePath()));
        for (int i = 1; i <= kMessages; ++i)
            TestMailServers::deliver(
                account,
                QStringLiteral("Subject: crash %1\r\n\r\nbody %1\r\n").arg(i, 2, 10, QChar(u'0')).toLatin1());
        return paths;
    }

    // The check the user runs after the crash, in this process.
    MailCheck::Outcome checkAgain(const AppPaths& paths) {
        AppSettings settings;
        settings.servers.Pop3Server = TestMailServers::pop3Server();
        Pop3Session session({}, TestMailServers::trust());
        const MailCheck::Outcome outcome =
            MailCheck(paths, FirstAccountProfile(paths, settings), session, {}).CheckMail();
        EXPECT_TRUE(outcome.errors.isEmpty()) << testing::PrintToString(outcome.errors);
        return outcome;
    }

    void expectEachStoredOnce(const AppPaths& paths) {
        QMap<QString, int> copies;
        const QList<NumberedMailRecord> records =
            MailFile(paths.receivedMailFile(), QString()).readAll().value();
        for (const auto& r : records)
            ++copies[TrimSpaces(r.record.subject)];
        EXPECT_EQ(copies.size(), kMessages);
        for (auto it = copies.cbegin(); it != copies.cend(); ++it)
            EXPECT_EQ(it.value(), 1) << it.key().toStdString();
        EXPECT_EQ(TestMailServers::waitingMessages(account), keeps ? kMessages : 0);
        EXPECT_FALSE(QFile::exists(paths.dataFolder() + QStringLiteral("/received.log")));
        if (keeps) {
            const MailCheck::Outcome again = checkAgain(paths);
            EXPECT_EQ(again.stored + again.storedBefore, 0) << "every message is known as fetched";
            EXPECT_EQ(again.fetchedBefore, kMessages);
        }
    }
};

} // namespace

TEST_P(MailCheckCrashTest, aCheckKilledAtAnyStepLosesNoMailAndStoresNoneTwice) {
    // An uninterrupted run counts the steps of a check of kMessages messages.
    const AppPaths whole = prepare(0);
    const ChildEnd counted = runChild(whole.applicationFolder(), 0);
    ASSERT_EQ(counted.exitCode, 0);
    const int steps = counted.output.trimmed().toInt();
    ASSERT_GE(steps, 3 * kMessages) << "every message is fetched, logged and stored";
    expectEachStoredOnce(whole);

    for (int k = 1 + std::get<1>(GetParam()); k <= steps; k += kShards) {
        SCOPED_TRACE(testing::Message() << "killed at step " << k << " of " << steps);
        const AppPaths paths = prepare(k);
        const ChildEnd killed = runChild(paths.applicationFolder(), k);
        ASSERT_EQ(killed.signal, SIGKILL);
        checkAgain(paths);
        expectEachStoredOnce(paths);
        if (HasFailure())
            return;
    }
}

INSTANTIATE_TEST_SUITE_P(KillPoints, MailCheckCrashTest,
                         testing::Combine(testing::Values(ServerCopy::Mode::DeleteAfterFetch,
                                                          ServerCopy::Mode::Keep),
                                          testing::Range(0, kShards)));
