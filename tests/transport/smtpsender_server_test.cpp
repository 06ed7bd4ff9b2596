// Sending through the real Postfix: its SMTP forms, TLS, login and the
// certificate the user trusts, as its log tells them.
#include <QFileInfo>
#include <gtest/gtest.h>

#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/smtpsender.h"

namespace {

class SmtpServers : public testing::Test {
  protected:
    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
    }

    // The user agrees to a login in clear, without a note of it.
    SmtpSender loggedIn(const QString& password, CertificateTrust trust = TestMailServers::trust(),
                        TlsPolicy policy = TlsPolicy({}, [](const Error&) { return true; })) const {
        return SmtpSender({{}, {account.name, password}}, std::move(trust), std::move(policy));
    }

    // A sender address of this test's own, to find its session in the log.
    QString sender(const char* tag) const {
        return QStringLiteral("%1-%2@fennick.test").arg(QLatin1String(tag), account.name);
    }

    OutgoingMail mailFrom(const QString& from, const QString& subject = QStringLiteral("件名")) const {
        return {account.address, from, subject, QStringLiteral("本文"), {}};
    }

    TestAccount account;
};

} // namespace

TEST_F(SmtpServers, eachServerFormDeliversWithTheLoginItOffers) {
    struct Case {
        const char* tag;
        QString server;
        const char* mechanism;
        const char* commands;
    };
    const Case cases[] = {
        // Port 25 offers neither TLS nor AUTH: the mail goes without logging in.
        {"plain", TestMailServers::smtpServer(), "", "ehlo=1 mail=1 rcpt=1 data=1 quit=1 commands=5"},
        {"submission", TestMailServers::submissionServer(), "PLAIN",
         "ehlo=2 starttls=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=8"},
        {"smtps", TestMailServers::smtpsServer(), "PLAIN",
         "ehlo=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=6"},
        // In clear, the password itself never goes out while CRAM-MD5 is there.
        {"cram", TestMailServers::submissionPlainServer(), "CRAM-MD5",
         "ehlo=1 auth=1 mail=1 rcpt=1 data=1 quit=1 commands=6"},
    };
    int delivered = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const MailOutcome sent = loggedIn(account.password).send(c.server, mailFrom(sender(c.tag)));
        ASSERT_TRUE(sent.ok()) << testing::PrintToString(sent.error());
        ASSERT_TRUE(TestMailServers::waitForMessages(account, ++delivered));
        const TestMailServers::SmtpSession session = TestMailServers::smtpSession(sender(c.tag));
        EXPECT_EQ(session.mechanism.toStdString(), c.mechanism);
        EXPECT_EQ(session.commands.toStdString(), c.commands);
    }
}

TEST_F(SmtpServers, tlsOnceGivenIsKeptAndALoginInClearWaitsForTheUsersYes) {
    struct Row {
        const char* tag;
        QString server;
        bool answer;
        int sends;
        int questions;
        const char* kept; // the server's state in the file afterwards; "" none
        const char* mechanism;
    };
    const Row rows[] = {
        {"clear-login-no", TestMailServers::submissionPlainServer(), false, 1, 1, "", ""},
        {"clear-login-yes", TestMailServers::submissionPlainServer(), true, 2, 1, "clear", "CRAM-MD5"},
        {"starttls", TestMailServers::submissionServer(), false, 1, 0, "tls", "PLAIN"},
        {"smtps", TestMailServers::smtpsServer(), false, 1, 0, "tls", "PLAIN"},
        {"clear-without-auth", TestMailServers::smtpServer(), false, 1, 0, "", ""},
    };
    int delivered = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tag);
        TempFolder data;
        const QString file = data.file(TlsPolicy::kFileName);
        int questions = 0;
        const TlsPolicy policy(file, [&](const Error&) {
            ++questions;
            return row.answer;
        });
        for (int i = 0; i < row.sends; ++i) {
            const QString from = sender(row.tag) + QString::number(i);
            const qint64 logEnd = TestMailServers::postfixLogEnd();
            const MailOutcome sent =
                loggedIn(account.password, TestMailServers::trust(), policy).send(row.server, mailFrom(from));
            if (!row.answer && row.questions > 0) {
                EXPECT_EQ(sent.error().kind, Error::Kind::ClearLoginDeclined);
                EXPECT_EQ(sent.error().name, row.server);
                for (const QString& session : TestMailServers::plainSubmissionSessionsWithoutMail(logEnd))
                    EXPECT_FALSE(session.contains(QStringLiteral("auth"))) << session.toStdString();
                continue;
            }
            ASSERT_TRUE(sent.ok()) << testing::PrintToString(sent.error());
            ASSERT_TRUE(TestMailServers::waitForMessages(account, ++delivered));
            EXPECT_EQ(TestMailServers::smtpSession(from).mechanism.toStdString(), row.mechanism);
        }
        EXPECT_EQ(questions, row.questions);
        const QString service = TlsPolicy::service("smtp", *ServerAddress::parse(row.server, kSmtpScheme));
        EXPECT_EQ(QFile::exists(file) ? ReadBytes(file) : QByteArray(),
                  *row.kept ? service.toUtf8() + ' ' + row.kept + '\n' : QByteArray());
    }
    EXPECT_EQ(TestMailServers::waitingMessages(account), delivered);
}

// As a send-to-all hands them over: each mail before the outcome of the one before.
TEST_F(SmtpServers, severalMailsGoPipelinedOverOneConnectionPastARefusedOne) {
    const QString nobody = QStringLiteral("nobody@fennick.test");
    const struct {
        QString recipients;
        const char* outcome; // the server's words, up to its first colon; "" taken
        QString refusedRecipient = {};
    } mails[] = {
        {account.address, ""},
        {nobody, "550 5.1.1 <nobody@fennick.test>"},
        {account.address + QStringLiteral(", ") + nobody, "", nobody},
        {account.address, ""},
    };
    QList<MailOutcome> outcomes;
    {
        const std::unique_ptr<MailConnection> connection =
            loggedIn(account.password).open(TestMailServers::submissionServer());
        for (const auto& m : mails) {
            connection->submit(
                {m.recipients, sender("batch"), QStringLiteral("件名"), QStringLiteral("本文"), {}});
            if (&m != mails)
                outcomes << connection->result();
        }
        outcomes << connection->result();
    } // QUIT
    ASSERT_EQ(outcomes.size(), 4);
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(outcomes[i].error().detail.section(u':', 0, 0).toStdString(), mails[i].outcome);
        EXPECT_EQ(outcomes[i].refusedRecipients.value(0).name, mails[i].refusedRecipient);
    }
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 3));
    EXPECT_EQ(TestMailServers::smtpSession(sender("batch")).commands.toStdString(),
              "ehlo=2 starttls=1 auth=1 mail=4 rcpt=3/5 data=3/4 rset=1 quit=1 commands=16/19");
}

TEST_F(SmtpServers, wrongPasswordGivesTheServersText) {
    for (const QString& server : {TestMailServers::submissionServer(), TestMailServers::smtpsServer()}) {
        const MailOutcome sent = loggedIn(QStringLiteral("wrong")).send(server, mailFrom(sender("wrong")));
        ASSERT_FALSE(sent.ok());
        EXPECT_EQ(sent.error().kind, Error::Kind::Login);
        EXPECT_TRUE(sent.error().detail.startsWith(QStringLiteral("535 5.7.8 Error: authentication failed")))
            << testing::PrintToString(sent.error());
    }
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
}

TEST_F(SmtpServers, untrustedCertificateIsRefusedWithItsFingerprintUntilTrusted) {
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
    // STARTTLS and TLS from the start both check it.
    for (const QString& server : {TestMailServers::submissionServer(), TestMailServers::smtpsServer()}) {
        const MailOutcome refused =
            loggedIn(account.password, trust).send(server, mailFrom(sender("refused")));
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.error().kind, Error::Kind::Certificate);
        EXPECT_EQ(refused.error().detail, fingerprint);
        ASSERT_FALSE(refused.error().certificateReasons.isEmpty());
        EXPECT_EQ(refused.error().certificateReasons[0], QSslError::SelfSignedCertificate);
    }
    ASSERT_EQ(asked.size(), 2);
    EXPECT_EQ(asked[0].detail, fingerprint);
    EXPECT_FALSE(QFileInfo::exists(file));

    answer = true;
    const MailOutcome accepted = loggedIn(account.password, trust)
                                     .send(TestMailServers::submissionServer(), mailFrom(sender("trusted")));
    ASSERT_TRUE(accepted.ok()) << testing::PrintToString(accepted.error());
    EXPECT_EQ(ReadBytes(file), "127.0.0.1 " + fingerprint.toLatin1() + '\n');

    // Trusted for good: no more questions.
    asked.clear();
    const MailOutcome later =
        loggedIn(account.password, trust).send(TestMailServers::smtpsServer(), mailFrom(sender("later")));
    ASSERT_TRUE(later.ok()) << testing::PrintToString(later.error());
    EXPECT_TRUE(asked.isEmpty());
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 2));
    EXPECT_EQ(TestMailServers::waitingMessages(account), 2);
}
