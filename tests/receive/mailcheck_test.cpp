// Ordering and failure paths of the mail check, with a scripted mailbox.
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include "receive/mailcheck.h"
#include "store/mailfile.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/recordingnotifier.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

class MailCheckTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    AppSettings settings;
    FakeMailbox mailbox;
    RecordingNotifier notifier;
    QStringList statuses;
    int accountWindowOpened = 0;
    int serverWindowOpened = 0;
    QList<LastReceived> received;
    QList<Account> accounts;

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
    }

    MailCheck::Outcome check() {
        MailCheckHooks hooks;
        hooks.setStatus = [this](const QString& s) { statuses << s; };
        hooks.openAccountWindow = [this] { ++accountWindowOpened; };
        hooks.openServerWindow = [this] { ++serverWindowOpened; };
        hooks.received = [this](const LastReceived& l) { received << l; };
        hooks.accountLoaded = [this](const Account& a) { accounts << a; };
        hooks.receivedFileSynced = [this] { mailbox.log->add(QStringLiteral("sync")); };
        return MailCheck(paths, settings, mailbox, notifier, hooks).CheckMail();
    }

    QList<NumberedMailRecord> stored() {
        return MailFile(paths.receivedMailFile(), QString()).readAll().value();
    }
};

} // namespace

TEST_F(MailCheckTest, everyMessageIsStoredBeforeAnyIsDeleted) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")), mail(QStringLiteral("三"))};
    const auto outcome = check();
    EXPECT_EQ(mailbox.log->steps(),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0"),
                           QStringLiteral("fetch 1"), QStringLiteral("fetch 2"), QStringLiteral("fetch 3"),
                           QStringLiteral("sync"), QStringLiteral("delete 1"), QStringLiteral("delete 2"),
                           QStringLiteral("delete 3"), QStringLiteral("close")}));
    EXPECT_EQ(outcome.stored, 3);
    EXPECT_EQ(outcome.deleted, 3);
    const auto records = stored();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
    EXPECT_EQ(TrimSpaces(records[2].record.body), QStringLiteral("本文 三"));
    EXPECT_EQ(statuses, (QStringList{MailCheck::kChecking, MailCheck::kNewMail}));
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received.last().subject, QStringLiteral("三"));
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].id, QStringLiteral("taro"));
    EXPECT_EQ(accounts[0].password, QStringLiteral("pw"));
}

TEST_F(MailCheckTest, emptyMailboxShowsNoNewMailAndNoMessageBox) {
    check();
    EXPECT_EQ(statuses.last(), MailCheck::kNoNewMail);
    EXPECT_TRUE(notifier.notices.isEmpty());
    EXPECT_EQ(mailbox.log->steps().last(), QStringLiteral("close"));
}

TEST_F(MailCheckTest, noSavedAccountOpensTheAccountWindowAndTriesNoLogin) {
    WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\n"));
    check();
    EXPECT_EQ(accountWindowOpened, 1);
    EXPECT_EQ(mailbox.log->steps(),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("close")}));
    EXPECT_EQ(statuses.last(), MailCheck::kNoNewMail);
}

TEST_F(MailCheckTest, failedLoginShowsTheServersTextUnderError) {
    mailbox.authResult = -1;
    settings.servers.UseApop = 1;
    check();
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(notifier.notices[0].text, QStringLiteral("-ERR [AUTH] Authentication failed."));
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("auth taro 1")));
    EXPECT_EQ(statuses.last(), MailCheck::kNoNewMail);
}

TEST_F(MailCheckTest, unreachableServerIsAnErrorNotNoNewMail) {
    mailbox.reachable = false;
    mailbox.error = QStringLiteral("サーバー「pop.example.jp」に接続できません。");
    check();
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(notifier.notices[0].text, mailbox.error);
    EXPECT_EQ(statuses, (QStringList{MailCheck::kChecking, MailCheck::kNoNewMail}));
}

TEST_F(MailCheckTest, noServerSetOpensTheServerWindow) {
    settings.servers.Pop3Server.clear();
    check();
    EXPECT_EQ(serverWindowOpened, 1);
    EXPECT_TRUE(mailbox.log->steps().isEmpty());
    EXPECT_EQ(statuses, QStringList{MailCheck::kNoNewMail});
}

TEST_F(MailCheckTest, messageThatCannotBeStoredStaysOnTheServerWithThoseAfterIt) {
    mailbox.messages = {mail(QStringLiteral("1")), mail(QStringLiteral("2")), mail(QStringLiteral("3"))};
    // The file fills up: the second message would be record 32768.
    QFile f(paths.receivedMailFile());
    ASSERT_TRUE(f.resize(qint64(32766) * MailRecord::kSize));
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("delete 1")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 2")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 3")));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_TRUE(notifier.notices[0].text.contains(QStringLiteral("サーバーに残して")));
}

TEST_F(MailCheckTest, oversizedMessageIsLeftOnTheServerAndTheRestArrive) {
    mailbox.messages = {mail(QStringLiteral("1")), mail(QStringLiteral("big")), mail(QStringLiteral("3"))};
    mailbox.tooLarge = {2};
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 2);
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("fetch 2")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 2")));
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("delete 3")));
}

TEST_F(MailCheckTest, textsAreCutAtNulAndTrimmedIntoTheRecord) {
    ReceivedMessage m = mail(QStringLiteral("x"));
    m.subject = QStringLiteral("  件名  ") + QChar(u'\0') + QStringLiteral("hidden");
    m.body = QStringLiteral("\tbody\t  ");
    mailbox.messages = {m};
    check();
    const auto records = stored();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("件名"));
    EXPECT_TRUE(records[0].record.body.startsWith(QStringLiteral("\tbody\t ")));
    EXPECT_EQ(received[0].rawSubject, QStringLiteral("  件名  "));
}

TEST_F(MailCheckTest, anAccountTheWindowCouldNotSaveIsTheOneThatLogsIn) {
    settings.unsavedAccount = Account{QStringLiteral("hanako"), QStringLiteral("new")};
    check();
    const QStringList steps = mailbox.log->steps();
    EXPECT_TRUE(steps.contains(QStringLiteral("auth hanako 0"))) << steps.join(u' ').toStdString();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].id, QStringLiteral("hanako"));
}

TEST_F(MailCheckTest, aDeletionTheServerRefusedInTheBatchIsShown) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二"))};
    mailbox.flushError = QStringLiteral("メッセージ 2 を削除できませんでした: -ERR locked");
    check();
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].text, QStringLiteral("メッセージ 2 を削除できませんでした: -ERR locked"));
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(stored().size(), 2) << "both stay stored";
}
