// A check that fails halfway: a fetch the server refuses, records that never
// reach the disk, a disk that fills up. Whatever was not made durable stays
// on the server.
#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>

#include "receive/mailcheck.h"
#include "settings/firstaccount.h"
#include "store/mailfile.h"
#include "tests/support/childprocess.h"
#include "tests/support/errors.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

using K = Error::Kind;

// A mailbox whose server refuses to hand over one message.
class RefusingMailbox : public FakeMailbox {
  public:
    int refused = 0;
    Result<QByteArray> fetchRaw(int n) override {
        if (n == refused) {
            log->add(QStringLiteral("fetch %1 refused").arg(n));
            return Result<QByteArray>::failure({.kind = K::NotReceived, .number = n});
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
    QList<CheckStatus> statuses;
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
        hooks.setStatus = [this](CheckStatus s) { statuses << s; };
        hooks.received = [this](const LastReceived&) {
            if (afterEachStored)
                afterEachStored();
        };
        hooks.synced = [this](const QString& path) {
            if (path == paths.receivedMailFile())
                mailbox.log->add(QStringLiteral("sync"));
        };
        return MailCheck(paths, FirstAccountProfile(paths, settings), mailbox, hooks).CheckMail();
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
    ASSERT_EQ(kindsOf(outcome.errors), QList<K>{K::NotReceived});
    EXPECT_EQ(outcome.errors[0].number, 2);
    EXPECT_EQ(statuses, (QList<CheckStatus>{CheckStatus::Checking, CheckStatus::NewMail}));
}

// Mail is waiting on the server whatever became of it here: the error
// tells why none arrived, and the status still says there is new mail.
TEST_F(MailCheckFailureTest, aCheckThatStoredNothingStillSaysThereIsNewMailBesideItsError) {
    mailbox.refused = 1;
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 0);
    EXPECT_TRUE(deletions().isEmpty());
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("sync")));
    EXPECT_FALSE(QFileInfo::exists(paths.receivedMailFile()) && fileSize() > 0);
    EXPECT_EQ(kindsOf(outcome.errors), QList<K>{K::NotReceived});
    EXPECT_EQ(statuses.last(), CheckStatus::NewMail);
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
    ASSERT_EQ(outcome.errors.size(), 1);
    EXPECT_EQ(chainOf(outcome.errors[0]), (QList<K>{K::NotSynced, K::FileNotOpened}));
    EXPECT_EQ(mailbox.log->steps().last(), QStringLiteral("close"));
}

TEST_F(MailCheckFailureTest, aReceivedFileThatVanishedBeforeItsSyncDeletesNothing) {
    afterEachStored = [this] {
        if (fileSize() != 3 * MailRecord::kSize)
            return;
        ASSERT_TRUE(
            QFile::rename(paths.receivedMailFile(), paths.receivedMailFile() + QStringLiteral(".moved")));
    };
    EXPECT_EQ(kindsOf(check().errors), QList<K>{K::NotSynced});
    EXPECT_TRUE(deletions().isEmpty()) << mailbox.log->steps().join(u' ').toStdString();
}

// The disk fills up under the second mail (a file size limit in a child
// process, so that the limit ends with it): whatever part of it does not
// fit, nothing of it stays behind, it stays on the server with those after
// it, and the error says which mail and why. The first is kept and deleted.
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
        QString error;
        QStringList attachments;
    } rows[] = {
        {"record-does-not-fit",
         {mail(QStringLiteral("一")), withFileButNoRoom, mail(QStringLiteral("三"))},
         rlim_t(R + R / 2),
         QStringLiteral("NotStored(二, a@example.jp, #2) <- FileNotWritten(%1, errno %2)")
             .arg(paths.receivedMailFile())
             .arg(EFBIG),
         {}},
        {"attachment-does-not-fit",
         {withSmallFile, withBigFile, mail(QStringLiteral("三"))},
         rlim_t(1 << 20),
         QStringLiteral("NotStored(大きな添付, a@example.jp, #2) <- AttachmentNotWritten(big.bin, errno %1)")
             .arg(EFBIG),
         {QStringLiteral("small.txt")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(paths.receivedMailFile());
        QDir(paths.attachmentFolder()).removeRecursively();
        ASSERT_TRUE(paths.ensureLayout().ok());
        mailbox.messages = row.messages;
        const ChildResult child = RunInChild({row.diskSize, false}, [this] {
            const QList<Error> errors = check().errors;
            QStringList said = deletions();
            for (const Error& e : errors)
                said << e.debugText();
            said << (statuses.last() == CheckStatus::NewMail ? QStringLiteral("new mail") : QString());
            return said.join(u'\n');
        });
        ASSERT_EQ(child.exitCode, 0);
        EXPECT_EQ(child.output, QStringLiteral("delete 1\n%1\nnew mail").arg(row.error));
        EXPECT_EQ(fileSize(), R) << "only whole records";
        const auto records = MailFile(paths.receivedMailFile(), QString()).readAll().value();
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
        EXPECT_EQ(
            QDir(paths.attachmentFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            row.attachments);
    }
}
