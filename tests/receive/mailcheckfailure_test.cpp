// A check that fails halfway: a fetch the server refuses, records that never
// reach the disk, a disk that fills up. Whatever was not made durable stays
// on the server.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "receive/mailcheck.h"
#include "store/mailfile.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/recordingnotifier.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

// A mailbox whose server refuses to hand over one message.
class RefusingMailbox : public FakeMailbox {
  public:
    int refused = 0;
    Result<QByteArray> fetchRaw(int n) override {
        if (n == refused) {
            log->add(QStringLiteral("fetch %1 refused").arg(n));
            return Result<QByteArray>::failure(QStringLiteral("-ERR message %1 is locked").arg(n));
        }
        return FakeMailbox::fetchRaw(n);
    }
};

class MailCheckFailureTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    AppSettings settings;
    RefusingMailbox mailbox;
    RecordingNotifier notifier;
    QStringList statuses;
    std::function<void()> afterEachStored; // runs where the record was appended, before any sync

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
        mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")),
                            mail(QStringLiteral("三"))};
    }

    MailCheck::Outcome check() {
        MailCheckHooks hooks;
        hooks.setStatus = [this](const QString& s) { statuses << s; };
        hooks.received = [this](const LastReceived&) {
            if (afterEachStored)
                afterEachStored();
        };
        hooks.receivedFileSynced = [this] { mailbox.log->add(QStringLiteral("sync")); };
        return MailCheck(paths, settings, mailbox, notifier, hooks).CheckMail();
    }

    QStringList deletions() const { return mailbox.log->steps().filter(QStringLiteral("delete")); }
    qint64 fileSize() const { return QFileInfo(paths.receivedMailFile()).size(); }
};

} // namespace

TEST_F(MailCheckFailureTest, aRefusedFetchKeepsThatMessageAndThoseAfterItOnTheServer) {
    mailbox.refused = 2;
    const auto outcome = check();
    EXPECT_EQ(mailbox.log->steps(),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0"),
                           QStringLiteral("fetch 1"), QStringLiteral("fetch 2 refused"),
                           QStringLiteral("sync"), QStringLiteral("delete 1"), QStringLiteral("close")}));
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_EQ(outcome.deleted, 1);
    const auto records = MailFile(paths.receivedMailFile(), QString()).readAll().value();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].text, QStringLiteral("-ERR message 2 is locked"));
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(statuses, (QStringList{QStringLiteral("メールのチェックをしています。"),
                                     QStringLiteral("新着メール有り。")}));
}

// Mail is waiting on the server whatever became of it here: the error box
// tells why none arrived, and the status still says there is new mail.
TEST_F(MailCheckFailureTest, aCheckThatStoredNothingStillSaysThereIsNewMailAfterItsErrorBox) {
    mailbox.refused = 1;
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 0);
    EXPECT_TRUE(deletions().isEmpty());
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("sync")));
    EXPECT_FALSE(QFileInfo::exists(paths.receivedMailFile()) && fileSize() > 0);
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].text, QStringLiteral("-ERR message 1 is locked"));
    EXPECT_EQ(statuses.last(), QStringLiteral("新着メール有り。"));
}

TEST_F(MailCheckFailureTest, recordsThatCannotBeMadeDurableDeleteNothing) {
    // After the last append the file is swapped for a link, which the record
    // file refuses to open: the sync fails for real.
    afterEachStored = [this] {
        if (fileSize() != 3 * MailRecord::kSize)
            return;
        ASSERT_TRUE(
            QFile::rename(paths.receivedMailFile(), paths.receivedMailFile() + QStringLiteral(".kept")));
        ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), paths.receivedMailFile()));
    };
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 3);
    EXPECT_EQ(outcome.deleted, 0);
    EXPECT_TRUE(deletions().isEmpty()) << mailbox.log->steps().join(u' ').toStdString();
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_TRUE(notifier.notices[0].text.startsWith(QStringLiteral(
        "受信したメールをディスクに書き出せませんでした。メールはサーバーに残してあります。\n")))
        << notifier.notices[0].text.toStdString();
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(mailbox.log->steps().last(), QStringLiteral("close"));
}

TEST_F(MailCheckFailureTest, aReceivedFileThatVanishedBeforeItsSyncDeletesNothing) {
    afterEachStored = [this] {
        if (fileSize() != 3 * MailRecord::kSize)
            return;
        ASSERT_TRUE(
            QFile::rename(paths.receivedMailFile(), paths.receivedMailFile() + QStringLiteral(".moved")));
    };
    check();
    EXPECT_TRUE(deletions().isEmpty()) << mailbox.log->steps().join(u' ').toStdString();
    EXPECT_EQ(notifier.notices.size(), 1);
}

// The disk fills up in the middle of the second record (a file size limit in
// a child process, so that the limit ends with it).
TEST_F(MailCheckFailureTest, aFullDiskLeavesOnlyWholeRecordsAndKeepsTheRestOnTheServer) {
    const QString report = app.file(QStringLiteral("child-report.txt"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead of ending us
        const rlimit limit{rlim_t(MailRecord::kSize + MailRecord::kSize / 2),
                           rlim_t(MailRecord::kSize + MailRecord::kSize / 2)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        check();
        QFile out(report);
        const bool written = out.open(QIODevice::WriteOnly) &&
                             out.write((mailbox.log->steps() + QStringList{QStringLiteral("--")} +
                                        notifier.texts() + QStringList{QStringLiteral("--")} + statuses)
                                           .join(u'\n')
                                           .toUtf8()) > 0;
        out.close();
        ::_exit(written ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child did not finish its check";
    QFile in(report);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QStringList parts = QString::fromUtf8(in.readAll()).split(QStringLiteral("\n--\n"));
    ASSERT_EQ(parts.size(), 3);
    const QStringList steps = parts[0].split(u'\n');
    const QStringList shown = parts[2].split(u'\n');

    EXPECT_EQ(steps,
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0"),
                           QStringLiteral("fetch 1"), QStringLiteral("fetch 2"), QStringLiteral("sync"),
                           QStringLiteral("delete 1"), QStringLiteral("close")}));
    EXPECT_EQ(fileSize(), MailRecord::kSize) << "only whole records";
    const auto records = MailFile(paths.receivedMailFile(), QString()).readAll().value();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
    EXPECT_TRUE(parts[1].startsWith(QStringLiteral(
        "受信したメールを保存できませんでした。このメールと以降のメールはサーバーに残してあります。\n")))
        << parts[1].toStdString();
    EXPECT_EQ(shown.last(), QStringLiteral("新着メール有り。"));
}
