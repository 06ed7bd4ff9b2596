// The reply window sending through the real Postfix of the test run.
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "compose/backform.h"
#include "mime/mimedecoder.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"

namespace {

// The first mail Postfix delivered into the account's maildir.
QByteArray deliveredMail(const TestAccount& account) {
    for (const char* sub : {"/new", "/cur"}) {
        const QDir dir(account.maildir + QLatin1String(sub));
        if (const QStringList files = dir.entryList(QDir::Files, QDir::Name); !files.isEmpty())
            return ReadBytes(dir.filePath(files.first()));
    }
    return {};
}

class BackFormServerTest : public testing::Test, protected AppFolder {
  protected:
    TestAccount account;
    std::unique_ptr<BackForm> form;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        context.settings.servers.SmtpServer = TestMailServers::smtpServer();
        context.settings.servers.MailAddress = account.address;
        form = std::make_unique<BackForm>(context);
        form->show();
    }
    void send() {
        QSignalSpy finished(form.get(), &BackForm::sendFinished);
        form->Command2->click();
        ASSERT_TRUE(finished.wait(30000));
    }
};

} // namespace

TEST_F(BackFormServerTest, aReplyArrivesWithItsAttachmentAndLeavesTheSentHistoryAlone) {
    const MailRecord earlier{QStringLiteral("前の送信"), QStringLiteral("2026/12/06  18:00:00"),
                             MailRecord::kTextKind,      QStringLiteral("x@x.jp"),
                             QStringLiteral("本文"),     1};
    ASSERT_TRUE(MailFile::sent(context.paths).append(earlier).ok());
    const QByteArray sentBefore = ReadBytes(context.paths.sentMailFile());
    const QString memo = app.file(QStringLiteral("議事録.txt"));
    WriteBytes(memo, "minutes");

    ASSERT_TRUE(form->fill(QStringLiteral("Re:  来週の打ち合わせ"), account.address,
                           QStringLiteral("水曜日でいかがでしょうか。")));
    QGuiApplication::clipboard()->setText(QStringLiteral("承知しました。"));
    form->Command4->click();
    prompter.fileAnswers = {memo};
    form->AttachCommand->click();
    send();
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.value(0).text.toStdString();
    EXPECT_FALSE(form->isVisible()) << "a reply that went out closes its window";
    EXPECT_TRUE(form->BodyText->toPlainText().isEmpty());
    EXPECT_EQ(ReadBytes(context.paths.sentMailFile()), sentBefore) << "a reply keeps no sent record";

    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    const ReceivedMessage got = MimeDecoder::decode(deliveredMail(account));
    EXPECT_EQ(got.subject, QStringLiteral("Re:  来週の打ち合わせ"));
    EXPECT_EQ(got.body.trimmed(), QStringLiteral("承知しました。\r\n\r\n\r\n\r\n水曜日でいかがでしょうか。"));
    ASSERT_EQ(got.attachments.size(), 1);
    EXPECT_EQ(got.attachments[0].name, QStringLiteral("議事録.txt"));
    EXPECT_EQ(got.attachments[0].content, QByteArray("minutes"));
}

TEST_F(BackFormServerTest, aRefusedReplyStaysInTheWindowWithEverythingTyped) {
    const QString memo = app.file(QStringLiteral("memo.txt"));
    WriteBytes(memo, "memo");
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  件名"), QStringLiteral("nobody@fennick.test"),
                           QStringLiteral("答える本文")));
    form->BodyText->append(QStringLiteral("書き足し"));
    prompter.fileAnswers = {memo};
    form->AttachCommand->click();
    send();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("送信エラー"));
    EXPECT_TRUE(prompter.shown[0].text.startsWith(
        QStringLiteral("nobody@fennick.test へ送信できませんでした。\n550 5.1.1")))
        << prompter.shown[0].text.toStdString();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ToText->text(), QStringLiteral("nobody@fennick.test"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("Re:  件名"));
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("答える本文\n書き足し"));
    EXPECT_EQ(form->AttachText->text(), memo);

    // Put right and sent again from the same window.
    form->ToText->setText(account.address);
    send();
    EXPECT_EQ(prompter.shown.size(), 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(TestMailServers::waitForMessages(account, 1));
}
