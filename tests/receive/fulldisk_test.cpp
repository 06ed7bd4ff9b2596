// Receiving onto a full disk, made real with RLIMIT_FSIZE in a child process:
// the record is not stored, the error says why, and the record file keeps
// only whole records. (That the mail then stays on the server is the mail
// check's part.)
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "receive/messageprocessor.h"
#include "store/mailfile.h"
#include "tests/support/recordingnotifier.h"
#include "tests/support/tempfolder.h"

namespace {

constexpr qsizetype R = MailRecord::kSize;

struct ChildResult {
    int exitCode = -1;
    QString output;
};

// Runs `work` in a forked child whose files cannot grow past `limit` bytes;
// the child's text comes back through a pipe.
ChildResult runWithFileSizeLimit(rlim_t limit, const std::function<QString()>& work) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead of killing
        const QByteArray text = work().toUtf8();
        const bool written = ::write(fds[1], text.constData(), size_t(text.size())) == text.size();
        ::_exit(written ? 0 : 2);
    }
    ::close(fds[1]);
    ChildResult result;
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            bytes.append(buffer, n);
        else if (errno != EINTR)
            break;
    ::close(fds[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.output = QString::fromUtf8(bytes);
    return result;
}

MailRecord record(const QString& subject) {
    return {subject,
            QStringLiteral("Mon, 7 Dec 2026 09:00:00 +0900"),
            MailRecord::kTextKind,
            QStringLiteral("a@example.jp"),
            QStringLiteral("本文"),
            1};
}

} // namespace

TEST(FullDisk, receivingStoresNothingHalfAndSaysWhy) {
    TempFolder root;
    const QString appFolder = root.file(QStringLiteral("app"));
    ASSERT_TRUE(QDir().mkpath(appFolder));
    const AppPaths paths(appFolder);
    ASSERT_TRUE(paths.ensureLayout().ok());
    const MailFile file = MailFile::received(paths);
    ASSERT_TRUE(file.append(record(QStringLiteral("一通目"))).ok());
    ASSERT_TRUE(file.append(record(QStringLiteral("二通目"))).ok());
    const QByteArray before = ReadBytes(file.path());

    // Files may grow to the two records and a thousand bytes: the next
    // record, and a larger attachment, stop part-way.
    ReceivedMessage message;
    message.subject = QStringLiteral("三通目");
    message.header = QStringLiteral("Subject: x");
    message.body = QStringLiteral("本文");
    message.attachments = {{QStringLiteral("big.bin"), QByteArray(3 * R, 'b')},
                           {QStringLiteral("small.txt"), QByteArray("small")}};
    const ChildResult child = runWithFileSizeLimit(rlim_t(2 * R + 1000), [&] {
        // As the mail check receives one message.
        RecordingNotifier notifier;
        MessageProcessor processor(paths, notifier);
        const ProcessedMessage processed = processor.ProcessReceivedMessage(message);
        const MailRecord r{message.subject, message.date,   MailRecord::kTextKind,
                           message.sender,  processed.text, 1};
        const Result<int> appended = file.append(r);
        return notifier.texts().join(u'|') + u'\n' + (appended ? QStringLiteral("stored") : appended.error());
    });
    ASSERT_EQ(child.exitCode, 0);
    EXPECT_EQ(
        child.output,
        QStringLiteral("添付ファイルをオープンできません\nファイルに書き込めません (%1): File too large")
            .arg(file.path()));

    EXPECT_EQ(ReadBytes(file.path()), before) << "the record file holds part of a record";
    EXPECT_EQ(QDir(paths.attachmentFolder()).entryList(QDir::Files, QDir::Name),
              QStringList{QStringLiteral("small.txt")})
        << "a part of big.bin was left behind";
    // With room again the next record takes the next number.
    const Result<int> next = file.append(record(QStringLiteral("三通目")));
    ASSERT_TRUE(next.ok()) << next.error().toStdString();
    EXPECT_EQ(*next, 3);
    EXPECT_EQ(QFileInfo(file.path()).size(), 3 * R);
}
