// Sending through the real Postfix of the test run, which delivers into
// Dovecot's maildirs.
#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include "compose/addresslist.h"
#include "compose/mailsend.h"
#include "store/mailfile.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

QByteArray field(const QString& text, qsizetype width) {
    QByteArray b = ShiftJis::encode(text);
    return b + QByteArray(width - b.size(), ' ');
}

QStringList delivered(const TestAccount& account) {
    QStringList files;
    for (const char* sub : {"/new", "/cur"}) {
        const QDir dir(account.maildir + QLatin1String(sub));
        for (const QString& f : dir.entryList(QDir::Files, QDir::Name))
            files << dir.filePath(f);
    }
    return files;
}

class MailSendServerTest : public testing::Test {
  protected:
    TempFolder root;
    AppPaths paths{root.path()};
    TestAccount account;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        ASSERT_TRUE(paths.ensureLayout().ok());
    }
    SendRequest request(const QString& to) {
        SendRequest r;
        r.toText = to;
        r.subject = QStringLiteral("お知らせ");
        r.body = QStringLiteral("  本文です。  ");
        r.smtpServer = TestMailServers::smtpServer();
        r.sender = QStringLiteral("me@fennick.test");
        r.dateText = QStringLiteral("2026/12/07  10:41:05");
        return r;
    }
    QByteArray sentFile() { return ReadBytes(paths.sentMailFile()); }
};

} // namespace

TEST_F(MailSendServerTest, textMailToOneRecipientArrivesOnceAndIsRecordedByteForByte) {
    const SendReport report =
        MailSend(paths).run(request(QStringLiteral("  ") + account.address + QStringLiteral(" ")));
    ASSERT_TRUE(report.allSent()) << testing::PrintToString(report.errors());
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    EXPECT_EQ(delivered(account).size(), 1);

    const QByteArray expected = field(QStringLiteral("お知らせ"), 100) +
                                field(QStringLiteral("2026/12/07  10:41:05"), 90) +
                                field(QStringLiteral("○TEXT形式"), 14) + field(account.address, 90) +
                                field(QStringLiteral("本文です。"), 32000) + QByteArray("\r\n\x01\x00", 4);
    EXPECT_EQ(sentFile(), expected);
}

TEST_F(MailSendServerTest, aMailSentWithoutARecordArrivesAndTheSentFileStaysAsItWas) {
    SendRequest r = request(account.address);
    r.keepSentRecord = false;
    const SendReport report = MailSend(paths).run(r);
    ASSERT_TRUE(report.allSent()) << testing::PrintToString(report.errors());
    ASSERT_EQ(report.passes.size(), 1);
    EXPECT_FALSE(report.passes[0].recordError.has_value());
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    EXPECT_EQ(sentFile().size(), 0);
}

TEST_F(MailSendServerTest, sendToAllSendsOneMailPerAddressRecordInOrder) {
    const TestAccount second = TestMailServers::claimAccount();
    const TestAccount third = TestMailServers::claimAccount();
    const AddressFile book = AddressFile::book(paths);
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("一"), account.address).ok());
    ASSERT_TRUE(
        book.AppendAddressRecord(QStringLiteral("二"), QStringLiteral("営業部<") + second.address + u'>')
            .ok());
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("三"), third.address).ok());
    SendRequest r = request(QStringLiteral(" 打ち込んだ宛先 "));
    r.sendToAll = true;
    r.listEntries = 3;
    const SendReport report = MailSend(paths).run(r);
    ASSERT_TRUE(report.allSent());
    ASSERT_EQ(report.passes.size(), 3);
    EXPECT_EQ(report.passes[1].recipient, QStringLiteral("営業部<") + second.address + u'>');
    for (const TestAccount& a : {account, second, third}) {
        ASSERT_TRUE(TestMailServers::waitForMessages(a, 1)) << a.name.toStdString();
        EXPECT_EQ(delivered(a).size(), 1);
    }
    const auto records = MailFile::sent(paths).readAll();
    ASSERT_TRUE(records.ok());
    ASSERT_EQ(records->size(), 3);
    for (const NumberedMailRecord& n : *records)
        EXPECT_TRUE(n.record.party.startsWith(QStringLiteral("打ち込んだ宛先   ")))
            << n.record.party.toStdString();
    // The envelope got the bare address; the header kept the name.
    QFile mail(delivered(second).value(0));
    ASSERT_TRUE(mail.open(QIODevice::ReadOnly));
    EXPECT_TRUE(mail.readAll().contains("<" + second.address.toLatin1() + ">"));
}

TEST_F(MailSendServerTest, sendToAllStopsAtTheLastAddressRecordAndSaysHowManyWent) {
    ASSERT_TRUE(AddressFile::book(paths).AppendAddressRecord(QStringLiteral("一"), account.address).ok());
    SendRequest r = request(QString());
    r.sendToAll = true;
    r.listEntries = 4; // a list loaded from another file
    const SendReport report = MailSend(paths).run(r);
    EXPECT_EQ(report.passes.size(), 1);
    EXPECT_TRUE(report.allSent());
    EXPECT_TRUE(report.stoppedShort());
    EXPECT_EQ(MailFile::sent(paths).count().value(), 1);
}

TEST_F(MailSendServerTest, refusedRecipientRecordsNothingAndKeepsTheServersText) {
    const SendReport report = MailSend(paths).run(request(QStringLiteral("nobody@fennick.test")));
    ASSERT_EQ(report.passes.size(), 1);
    EXPECT_FALSE(report.allSent());
    EXPECT_EQ(report.missed(), QStringList{QStringLiteral("nobody@fennick.test")});
    const QList<Error> errors = report.errors();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(chainOf(errors[0]), (QList<Error::Kind>{Error::Kind::NotSent, Error::Kind::Refused}));
    EXPECT_EQ(errors[0].name, QStringLiteral("nobody@fennick.test"));
    EXPECT_TRUE(errors[0].cause->detail.startsWith(QStringLiteral("550 5.1.1")))
        << errors[0].cause->detail.toStdString();
    EXPECT_EQ(sentFile().size(), 0);
}

TEST_F(MailSendServerTest, oneRefusedAddressInSendToAllLeavesTheOthersSentAndRecorded) {
    const AddressFile book = AddressFile::book(paths);
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("誰も"), QStringLiteral("nobody@fennick.test")).ok());
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("私"), account.address).ok());
    SendRequest r = request(QStringLiteral("x"));
    r.sendToAll = true;
    r.listEntries = 2;
    const SendReport report = MailSend(paths).run(r);
    ASSERT_EQ(report.passes.size(), 2);
    EXPECT_FALSE(report.passes[0].sent());
    EXPECT_TRUE(report.passes[1].sent());
    EXPECT_EQ(MailFile::sent(paths).count().value(), 1);
    EXPECT_TRUE(TestMailServers::waitForMessages(account, 1));
}

TEST_F(MailSendServerTest, missingAttachmentStopsTheSendBeforeAnythingLeaves) {
    TempFolder files;
    const QString present = files.file(QStringLiteral("a.txt"));
    WriteBytes(present, "a");
    SendRequest r = request(account.address);
    r.attachText = present + QStringLiteral(",") + files.file(QStringLiteral("typed.txt"));
    const SendReport report = MailSend(paths).run(r);
    EXPECT_TRUE(report.passes.isEmpty());
    ASSERT_TRUE(report.refusal.has_value());
    EXPECT_EQ(report.refusal->kind, Error::Kind::AttachmentUnreadable);
    EXPECT_EQ(report.refusal->name, files.file(QStringLiteral("typed.txt")));
    EXPECT_FALSE(report.allSent());
    EXPECT_EQ(sentFile().size(), 0);
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
}

// Read with GMime itself, not through our decoder, so that our encoder and
// decoder cannot agree on a mistake.
TEST_F(MailSendServerTest, japaneseSubjectBodyAndAttachmentNameArriveIntact) {
    TempFolder files;
    const QString attachment = files.file(QStringLiteral("見積書①.txt"));
    WriteBytes(attachment, "contents");
    SendRequest r = request(QStringLiteral("受取人 <") + account.address + u'>');
    r.subject = QStringLiteral("日本語の件名①と髙");
    r.body = QStringLiteral("こんにちは。㈱テスト\r\n二行目");
    r.attachText = attachment;
    ASSERT_TRUE(MailSend(paths).run(r).allSent());
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));

    GMimeStream* stream = g_mime_stream_fs_open(QFile::encodeName(delivered(account).value(0)).constData(),
                                                O_RDONLY, 0, nullptr);
    ASSERT_NE(stream, nullptr);
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(QString::fromUtf8(g_mime_message_get_subject(message)), QStringLiteral("日本語の件名①と髙"));
    GMimePartIter* iter = g_mime_part_iter_new(reinterpret_cast<GMimeObject*>(message));
    QString body;
    QString name;
    GMimeContentEncoding encoding = GMIME_CONTENT_ENCODING_DEFAULT;
    do {
        GMimeObject* part = g_mime_part_iter_get_current(iter);
        if (!GMIME_IS_PART(part))
            continue;
        if (const char* file = g_mime_part_get_filename(GMIME_PART(part))) {
            name = QString::fromUtf8(file);
        } else if (GMIME_IS_TEXT_PART(part)) {
            char* text = g_mime_text_part_get_text(GMIME_TEXT_PART(part));
            body = QString::fromUtf8(text);
            encoding = g_mime_part_get_content_encoding(GMIME_PART(part));
            g_free(text);
        }
    } while (g_mime_part_iter_next(iter));
    g_mime_part_iter_free(iter);
    // The server takes 8-bit mail: the text travels as it is, and the
    // mailbox keeps its line breaks as LF.
    EXPECT_EQ(body.trimmed(), QStringLiteral("こんにちは。㈱テスト\n二行目"));
    EXPECT_EQ(encoding, GMIME_CONTENT_ENCODING_8BIT);
    EXPECT_EQ(name, QStringLiteral("見積書①.txt"));
    g_object_unref(message);
    g_object_unref(parser);
    g_object_unref(stream);
}
