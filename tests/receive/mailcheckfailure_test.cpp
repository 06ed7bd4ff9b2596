// A check that fails halfway: a fetch the server refuses, records that never
// reach the disk, a disk that fills up. Whatever was not made durable stays
// on the server.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "receive/mailcheck.h"
#include "store/mailfile.h"
#include "tests/support/childprocess.h"
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
        hooks.synced = [this](const QString& path) {
            if (path == paths.receivedMailFile())
                mailbox.log->add(QStringLiteral("sync"));
        };
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

// The disk fills up under the second mail (a file size limit in a child
// process, so that the limit ends with it): whatever part of it does not
// fit, nothing of it stays behind, it stays on the server with those after
// it, and the user reads which mail and why. The first is kept and deleted.
TEST_F(MailCheckFailureTest, aMailThatDoesNotFitOnTheDiskStaysOnTheServerAndLeavesNothing) {
    const qsizetype R = MailRecord::kSize;
    ReceivedMessage withSmallFile = mail(QStringLiteral("一"));
    withSmallFile.attachments = {{QStringLiteral("small.txt"), "small"}};
    ReceivedMessage withFileButNoRoom = mail(QStringLiteral("二"));
    withFileButNoRoom.attachments = {{QStringLiteral("二.txt"), "2"}};
    ReceivedMessage withBigFile = mail(QStringLiteral("大きな添付"));
    withBigFile.attachments = {{QStringLiteral("big.bin"), QByteArray(3 << 20, 'b')}};
    const struct {
        const char* name;
        QList<ReceivedMessage> messages;
        rlim_t diskSize;
        QString why;
        QStringList attachments;
    } rows[] = {
        {"record-does-not-fit",
         {mail(QStringLiteral("一")), withFileButNoRoom, mail(QStringLiteral("三"))},
         rlim_t(R + R / 2),
         QStringLiteral(
             "件名: 二\n差出人: a@example.jp\nファイルに書き込めません (%1): ディスクに空きがありません")
             .arg(paths.receivedMailFile()),
         {}},
        {"attachment-does-not-fit",
         {withSmallFile, withBigFile, mail(QStringLiteral("三"))},
         rlim_t(1 << 20),
         QStringLiteral("件名: 大きな添付\n差出人: a@example.jp\n添付ファイル「big.bin」を書き込めません: "
                        "ディスクに空きがありません"),
         {QStringLiteral("small.txt")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(paths.receivedMailFile());
        QDir(paths.attachmentFolder()).removeRecursively();
        ASSERT_TRUE(paths.ensureLayout().ok());
        mailbox.messages = row.messages;
        const ChildResult child = RunInChild({row.diskSize, false}, [this] {
            check();
            return (deletions() + QStringList{QStringLiteral("--")} + notifier.texts() +
                    QStringList{QStringLiteral("--"), statuses.last()})
                .join(u'\n');
        });
        ASSERT_EQ(child.exitCode, 0);
        EXPECT_EQ(child.output,
                  QStringLiteral("delete 1\n--\nメッセージ 2 を保存できませんでした。このメールと"
                                 "以降のメールはサーバーに残してあります。\n%1\n--\n新着メール有り。")
                      .arg(row.why));
        EXPECT_EQ(fileSize(), R) << "only whole records";
        const auto records = MailFile(paths.receivedMailFile(), QString()).readAll().value();
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
        EXPECT_EQ(
            QDir(paths.attachmentFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            row.attachments);
    }
}
