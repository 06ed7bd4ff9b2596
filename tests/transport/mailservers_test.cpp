// Round trips through the real Dovecot and Postfix that the test run starts.
#include <QFileInfo>
#include <QTcpServer>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "receive/attachmentwriter.h"
#include "tests/support/clearlogin.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/certificatetrust.h"
#include "transport/pop3session.h"
#include "transport/smtpsender.h"

namespace {

class MailServers : public testing::Test {
  protected:
    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
    }

    void send(const OutgoingMail& mail) {
        const MailOutcome sent = SmtpSender().send(TestMailServers::smtpServer(), mail);
        ASSERT_TRUE(sent.ok()) << testing::PrintToString(sent.error());
    }

    TestAccount account;
};

} // namespace

TEST_F(MailServers, japaneseMailWithAttachmentsArrivesIdentical) {
    TempFolder files;
    const QString first = files.file(QStringLiteral("見積書①.pdf"));
    const QString second = files.file(QStringLiteral("写真 ㈱.jpg"));
    WriteBytes(first, QByteArray("%PDF\0\x01\x02 binary", 14));
    WriteBytes(second, QByteArray(70000, '\xd8'));
    const OutgoingMail mail{QStringLiteral("受取人 <") + account.address + u'>',
                            QStringLiteral("sender@fennick.test"),
                            QStringLiteral("日本語の件名①"),
                            QStringLiteral("①、㈱、髙、〜 とｶﾀｶﾅ\r\n二行目"),
                            {first, second}};
    send(mail);
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));

    Pop3Session pop({}, TestMailServers::trust());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
    ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 1);
    EXPECT_GT(pop.size(1), 70000);
    const Result<ReceivedMessage> got = pop.fetch(1);
    ASSERT_TRUE(got.ok()) << testing::PrintToString(got.error());
    EXPECT_EQ(got->subject, mail.subject);
    EXPECT_EQ(got->sender, QStringLiteral("sender@fennick.test"));
    EXPECT_EQ(got->body, mail.body);
    EXPECT_FALSE(got->date.isEmpty());
    ASSERT_EQ(got->attachments.size(), 2);
    EXPECT_EQ(got->attachments[0].name, QStringLiteral("見積書①.pdf"));
    EXPECT_EQ(got->attachments[0].content, ReadBytes(first));
    EXPECT_EQ(got->attachments[1].name, QStringLiteral("写真 ㈱.jpg"));
    EXPECT_EQ(got->attachments[1].content, ReadBytes(second));

    TempFolder unpacked;
    const auto report = AttachmentWriter::write(*got, unpacked.path());
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written);
    EXPECT_EQ(ReadBytes(unpacked.file(QStringLiteral("見積書①.pdf"))), ReadBytes(first));
}

TEST_F(MailServers, htmlMailShapeArrivesWithMarkerBodyAndFilesInOrder) {
    TempFolder files;
    const QString picture = files.file(QStringLiteral("cat.png"));
    const QString page = files.file(QStringLiteral("index.htm"));
    WriteBytes(picture, QByteArray("\x89PNG\r\n\x1a\npicture", 15));
    WriteBytes(page, QByteArray("<html><body><img src=\"cat.png\"></body></html>"));
    send({account.address,
          QStringLiteral("me@fennick.test"),
          QStringLiteral("ページ"),
          QStringLiteral("HTML送信QFM5270XBNWRD4618"),
          {picture, page}});
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    Pop3Session pop({}, TestMailServers::trust());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
    ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, true)), 1);
    const Result<ReceivedMessage> got = pop.fetch(1);
    ASSERT_TRUE(got.ok());
    EXPECT_EQ(got->body, QStringLiteral("HTML送信QFM5270XBNWRD4618"));
    ASSERT_EQ(got->attachments.size(), 2);
    EXPECT_EQ(got->attachments[0].name, QStringLiteral("cat.png"));
    EXPECT_EQ(got->attachments[1].name, QStringLiteral("index.htm"));
    EXPECT_EQ(got->attachments[1].content, ReadBytes(page));
}

TEST_F(MailServers, apopAndPlainLoginsSeeTheSameMailbox) {
    TestMailServers::deliver(account, "Subject: one\r\n\r\nbody\r\n");
    TestMailServers::deliver(account, "Subject: two\r\n\r\nbody\r\n");
    for (const bool apop : {true, false}) {
        Pop3Session pop({}, TestMailServers::trust());
        ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
        EXPECT_EQ(countOf(pop.authenticate(account.name, account.password, apop)), 2);
        EXPECT_EQ(pop.fetch(2)->subject, QStringLiteral("two"));
        EXPECT_FALSE(pop.uidl(1).isEmpty());
    }
}

TEST_F(MailServers, pop3sAndStlsBothReachTheMailbox) {
    TestMailServers::deliver(account, "Subject: secret\r\n\r\nbody\r\n");
    // The second STLS connection is to a server known to give TLS, so STLS is
    // its first command: Dovecot takes it so (what goes out first is checked
    // against a scripted server).
    TempFolder data;
    const TlsPolicy known(data.file(TlsPolicy::kFileName), {});
    for (const QString& server :
         {TestMailServers::pop3sServer(), TestMailServers::pop3Server(), TestMailServers::pop3Server()}) {
        SCOPED_TRACE(server.toStdString());
        Pop3Session pop({}, TestMailServers::trust(), known);
        ASSERT_TRUE(pop.connect(server));
        ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 1);
        EXPECT_EQ(pop.fetch(1)->subject, QStringLiteral("secret"));
    }
}

TEST_F(MailServers, serverWithoutTlsOrApopTakesUserPassInClearOnceTheUserAgreed) {
    TestMailServers::deliver(account, "Subject: plain\r\n\r\nbody\r\n");
    Pop3Session refused({}, TestMailServers::trust());
    ASSERT_TRUE(refused.connect(TestMailServers::pop3PlainServer()));
    EXPECT_EQ(refused.authenticate(account.name, account.password, false).error().kind,
              Error::Kind::ClearLoginDeclined);
    Pop3Session pop({}, TestMailServers::trust(), ClearLoginAgreed());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3PlainServer()));
    ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 1);
    EXPECT_EQ(pop.fetch(1)->subject, QStringLiteral("plain"));
    pop.close();
    // Asked for APOP, the same server is refused before any password leaves.
    ASSERT_TRUE(pop.connect(TestMailServers::pop3PlainServer()));
    EXPECT_EQ(pop.authenticate(account.name, account.password, true).error().kind,
              Error::Kind::ApopUnsupported);
}

TEST_F(MailServers, untrustedCertificateIsRefusedUntilTheUserTrustsIt) {
    TempFolder data;
    const QString file = data.file(QStringLiteral("trusted-certificates"));
    const QString fingerprint = TestMailServers::certificateFingerprint();
    ASSERT_EQ(fingerprint.size(), 32 * 3 - 1);
    QList<Error> asked;
    bool answer = false;
    const CertificateTrust trust(file, [&](const Error& problem) {
        asked << problem;
        return answer;
    });
    // STLS on the plain port and TLS from the start both check it.
    for (const QString& server : {TestMailServers::pop3Server(), TestMailServers::pop3sServer()}) {
        Pop3Session refused({}, trust);
        const Error error = refused.connect(server).error();
        EXPECT_EQ(error.kind, Error::Kind::Certificate);
        EXPECT_EQ(error.detail, fingerprint);
        ASSERT_FALSE(error.certificateReasons.isEmpty());
        EXPECT_EQ(error.certificateReasons[0], QSslError::SelfSignedCertificate);
        EXPECT_EQ(countOf(refused.authenticate(account.name, account.password, false)), -1);
    }
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].detail, fingerprint);
    EXPECT_FALSE(QFileInfo::exists(file));

    answer = true;
    Pop3Session accepted({}, trust);
    ASSERT_TRUE(accepted.connect(TestMailServers::pop3Server()));
    EXPECT_EQ(countOf(accepted.authenticate(account.name, account.password, false)), 0);
    EXPECT_EQ(ReadBytes(file), "127.0.0.1 " + fingerprint.toLatin1() + '\n');
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Trusted for good: no more questions.
    asked.clear();
    Pop3Session later({}, trust);
    ASSERT_TRUE(later.connect(TestMailServers::pop3sServer()));
    EXPECT_TRUE(asked.isEmpty());
}

TEST_F(MailServers, emptyMailboxHasNoMessages) {
    Pop3Session pop({}, TestMailServers::trust());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
    EXPECT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 0);
}

TEST_F(MailServers, wrongPasswordGivesTheServersText) {
    for (const bool apop : {false, true}) {
        Pop3Session pop({}, TestMailServers::trust());
        ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
        const Result<int> refused = pop.authenticate(account.name, QStringLiteral("wrong"), apop);
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.error().kind, Error::Kind::Login);
        EXPECT_EQ(refused.error().detail, QStringLiteral("-ERR [AUTH] Authentication failed.")) << apop;
    }
}

TEST_F(MailServers, deletionsAreCommittedOnlyAtClose) {
    TestMailServers::deliver(account, "Subject: a\r\n\r\n1\r\n");
    TestMailServers::deliver(account, "Subject: b\r\n\r\n2\r\n");
    {
        Pop3Session pop({}, TestMailServers::trust());
        ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
        ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 2);
        ASSERT_TRUE(pop.remove(1).ok());
        // A second session while the first is open still sees both.
        Pop3Session other({}, TestMailServers::trust());
        ASSERT_TRUE(other.connect(TestMailServers::pop3Server()));
        EXPECT_EQ(countOf(other.authenticate(account.name, account.password, false)), 2);
        other.close();
        pop.close();
    }
    Pop3Session after({}, TestMailServers::trust());
    ASSERT_TRUE(after.connect(TestMailServers::pop3Server()));
    ASSERT_EQ(countOf(after.authenticate(account.name, account.password, false)), 1);
    EXPECT_EQ(after.fetch(1)->subject, QStringLiteral("b"));
}

TEST_F(MailServers, unknownRecipientFailsWithTheServersReply) {
    const MailOutcome sent =
        SmtpSender().send(TestMailServers::smtpServer(), {QStringLiteral("nobody@fennick.test"),
                                                          QStringLiteral("me@fennick.test"),
                                                          QStringLiteral("s"),
                                                          QStringLiteral("b"),
                                                          {}});
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().kind, Error::Kind::Refused);
    EXPECT_TRUE(sent.error().detail.startsWith(QStringLiteral("550 5.1.1")))
        << sent.error().detail.toStdString();
}

TEST(SmtpSend, missingAttachmentFailsBeforeAnyConnection) {
    // A send completes its connection before it returns, so a connection
    // made would be waiting here.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const MailOutcome sent = SmtpSender().send(QStringLiteral("127.0.0.1:%1").arg(server.serverPort()),
                                               {QStringLiteral("to@fennick.test"),
                                                QStringLiteral("me@fennick.test"),
                                                QStringLiteral("s"),
                                                QStringLiteral("b"),
                                                {QStringLiteral("/no/such/photo.jpg")}});
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error(), (Error{.kind = Error::Kind::AttachmentUnreadable,
                                   .name = QStringLiteral("/no/such/photo.jpg")}));
    EXPECT_FALSE(server.waitForNewConnection(0)) << "the server was contacted";
}

TEST_F(MailServers, severalRecipientsEachGetTheMail) {
    const TestAccount second = TestMailServers::claimAccount();
    send({QStringLiteral("一人目<") + account.address + QStringLiteral(">, 二人目 <") + second.address + u'>',
          QStringLiteral("me@fennick.test"),
          QStringLiteral("二人へ"),
          QStringLiteral("本文"),
          {}});
    EXPECT_TRUE(TestMailServers::waitForMessages(account, 1));
    EXPECT_TRUE(TestMailServers::waitForMessages(second, 1));
}
