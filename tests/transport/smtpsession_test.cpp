// The SMTP session against a scripted server, for what a real server will
// not do on demand (refusals, a hang, a hang-up, a server without ESMTP),
// and through a fake stream for TLS-only logins and replies torn apart. The
// scripts check every command the client sent and that it waited where it
// must; each row names what became of its mails.
#include <QMetaEnum>
#include <gtest/gtest.h>

#include "tests/support/fakemailstream.h"
#include "tests/support/listedtokens.h"
#include "tests/support/scriptedserver.h"
#include "tests/support/tempfolder.h"
#include "transport/smtpsender.h"

namespace {

using S = ScriptedServer;
using K = Error::Kind;

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 5, 3));

OutgoingMail mailTo(const char* recipients, const QString& body = QStringLiteral("本文\r\n.\r\n.行頭の点")) {
    return {
        QString::fromLatin1(recipients), QStringLiteral("me@example.jp"), QStringLiteral("件名"), body, {}};
}
const OutgoingMail kMail = mailTo("to@example.jp");

// What became of each mail: "sent", "sent but a@x (550 …)", "Kind: words", "Kind ended: words".
std::string outcomes(SmtpSession& session, const QList<OutgoingMail>& mails) {
    QList<MailOutcome> got;
    // As a send-to-all hands them over: the next mail before the outcome of the one before.
    for (qsizetype i = 0; i < mails.size(); ++i) {
        session.submit(mails[i], kNow);
        if (i > 0)
            got.append(session.result());
    }
    got.append(session.result());
    QStringList out;
    for (const MailOutcome& o : got) {
        QString text = o.ok() ? QStringLiteral("sent")
                              : QString::fromLatin1(QMetaEnum::fromType<K>().valueToKey(int(o.error().kind)));
        if (o.connectionEnded)
            text += QStringLiteral(" ended");
        if (!o.ok() && !o.error().detail.isEmpty())
            text += QStringLiteral(": ") + o.error().detail;
        for (const Error& r : o.refusedRecipients)
            text += QStringLiteral(" but %1 (%2)").arg(r.name, r.detail);
        out << text;
    }
    return out.join(QStringLiteral("; ")).toStdString();
}

// Greeting and an EHLO reply of these keywords.
S::Script greeted(const QList<const char*>& keywords) {
    S::Script s{S::send("220 mail.example.jp ESMTP"), S::expect("EHLO localhost")};
    for (const char* k : keywords)
        s.append(S::send(k));
    return s;
}

// A mail's envelope, pipelined: MAIL, RCPT and DATA together, and nothing
// more before the go-ahead.
S::Script envelope(const char* from = "MAIL FROM", const char* to = "RCPT TO:<to@example.jp>") {
    return {S::expect(from), S::expect(to), S::expectAlone("DATA")};
}

// MAIL and RCPT taken, the go-ahead, and the content.
const S::Script kTaken{S::send("250 2.1.0 Ok"), S::send("250 2.1.5 Ok"),
                       S::send("354 End data with <CR><LF>.<CR><LF>"), S::content()};

} // namespace

TEST(SmtpServerField, formsGivePortAndTls) {
    struct Row {
        const char* text;
        int port;
        bool tls;
    } const rows[] = {
        {"mail.example.jp", 25, false},
        {"mail.example.jp:587", 587, false},
        {"smtp://mail.example.jp:587/", 587, false},
        {"mail.example.jp:465", 465, true},
        {"SMTPS://mail.example.jp:2465", 2465, true},
        {"smtp://mail.example.jp:465", 465, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const std::optional<ServerAddress> a = ServerAddress::parse(QString::fromLatin1(r.text), kSmtpScheme);
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->port, r.port);
        EXPECT_EQ(a->tlsFromStart, r.tls);
    }
    EXPECT_FALSE(ServerAddress::parse(QStringLiteral("pop3s://mail.example.jp"), kSmtpScheme));
}

TEST(SmtpSession, eachServerAnswerGivesItsOutcomeAndNothingLeavesThatShouldNot) {
    const S::Script queued{S::expectAlone("."), S::send("250 2.0.0 Ok: queued as 4AB"), S::expect("QUIT"),
                           S::send("221 2.0.0 Bye")};
    const QByteArray plain = "AUTH PLAIN AHRpbQB0YW5zdGFhZnRhbnN0YWFm";
    struct Row {
        const char* name;
        S::Script script;
        const char* outcome;
        QList<OutgoingMail> mails = {kMail};
        bool knownTls = false;   // the server gave TLS before
        bool userSaysYes = true; // to a login in clear
        int questions = 0;       // about a login in clear
        const char* line = "";   // a line the server must have received
    };
    const Row rows[] = {
        {"greeting-refused",
         {S::send("554 5.3.2 no service here"), S::expect("QUIT"), S::send("221 Bye")},
         "ConnectionDeclined ended: 554 5.3.2 no service here"},
        {"not-an-smtp-server", {S::send("+OK POP3 ready")}, "NotSmtp ended: +OK POP3 ready"},
        {"server-before-esmtp-gets-helo-and-one-command-at-a-time-its-content-dot-stuffed",
         S::Script{S::send("220 old.example.jp"), S::expect("EHLO"), S::send("500 5.5.1 unrecognized"),
                   S::expect("HELO localhost"), S::send("250 old.example.jp"),
                   S::expectAlone("MAIL FROM:<me@example.jp>"), S::send("250 Ok"),
                   S::expectAlone("RCPT TO:<to@example.jp>"), S::send("250 Ok"), S::expectAlone("DATA"),
                   S::send("354 go ahead"), S::content()} +
             queued,
         "sent",
         {kMail},
         false,
         true,
         0,
         ".."},
        {"starttls-offered-then-refused-leaves-nothing-in-clear",
         greeted({"250-mail.example.jp", "250-STARTTLS", "250 AUTH PLAIN LOGIN"}) +
             S::Script{S::expect("STARTTLS"), S::send("454 4.7.0 TLS not available due to local problem"),
                       S::expect("QUIT")},
         "StartTlsRefused ended: 454 4.7.0 TLS not available due to local problem"},
        {"tls-withdrawn-by-a-server-that-gave-it-before",
         greeted({"250-mail.example.jp", "250 8BITMIME"}) + S::Script{S::expect("QUIT")},
         "TlsWithdrawn ended",
         {kMail},
         true},
        {"login-in-clear-refused-by-the-user",
         greeted({"250-mail.example.jp", "250 AUTH PLAIN"}) + S::Script{S::expect("QUIT")},
         "ClearLoginDeclined ended",
         {kMail},
         false,
         false,
         1},
        {"cram-md5-before-plain-in-clear",
         greeted({"250-mail.example.jp", "250-AUTH LOGIN PLAIN CRAM-MD5", "250 PIPELINING"}) +
             S::Script{S::expect("AUTH CRAM-MD5"),
                       S::send("334 PDE4OTYuNjk3MTcwOTUyQHBvc3RvZmZpY2UucmVzdG9uLm1jaS5uZXQ+"),
                       S::expect("dGltIGI5MTNhNjAyYzdlZGE3YTQ5NWI0ZTZlNzMzNGQzODkw"),
                       S::send("235 2.7.0 Authentication successful")} +
             envelope("MAIL FROM:<me@example.jp>") + kTaken + queued,
         "sent",
         {kMail},
         false,
         true,
         1},
        {"login-when-nothing-better-is-offered",
         greeted({"250-mail.example.jp", "250 AUTH=LOGIN"}) +
             S::Script{S::expect("AUTH LOGIN"), S::send("334 VXNlcm5hbWU6"), S::expect("dGlt"),
                       S::send("334 UGFzc3dvcmQ6"), S::expect("dGFuc3RhYWZ0YW5zdGFhZg=="),
                       S::send("235 2.7.0 Authentication successful"),
                       S::expectAlone("MAIL FROM:<me@example.jp>"),
                       S::send("421 4.7.0 mail.example.jp closing: too many connections")},
         "Refused ended: 421 4.7.0 mail.example.jp closing: too many connections",
         {kMail},
         false,
         true,
         1},
        {"refused-login-ends-the-session-for-every-mail",
         greeted({"250-mail.example.jp", "250 AUTH PLAIN"}) +
             S::Script{S::expect(plain.constData()), S::send("535 5.7.8 Error: authentication failed"),
                       S::expect("QUIT")},
         "Login ended: 535 5.7.8 Error: authentication failed; Login ended: 535 5.7.8 Error: authentication "
         "failed",
         {kMail, kMail},
         false,
         true,
         1},
        {"no-auth-offered-no-login-no-question-and-7-bit-mail-without-body-8bitmime",
         greeted({"250-mail.example.jp", "250-8BITMIME", "250 PIPELINING"}) + envelope() + kTaken + queued,
         "sent",
         {kMail},
         false,
         true,
         0,
         "MAIL FROM:<me@example.jp>"},
        {"8-bit-mail-says-so-where-the-server-takes-it",
         greeted({"250-mail.example.jp", "250-8BITMIME", "250 PIPELINING"}) +
             envelope("MAIL FROM:<me@example.jp> BODY=8BITMIME") + kTaken + queued,
         "sent",
         {mailTo("to@example.jp", QStringLiteral("絵文字😀"))}},
        {"mail-over-the-servers-size-never-leaves",
         greeted({"250-mail.example.jp", "250 SIZE 100"}) + S::Script{S::expect("QUIT")},
         "TooLargeForServer"},
        {"two-mails-one-round-trip-each-the-next-envelope-with-the-content",
         greeted({"250-mail.example.jp", "250-PIPELINING", "250-SIZE 10240000", "250 ENHANCEDSTATUSCODES"}) +
             envelope("MAIL FROM:<me@example.jp> SIZE=") + kTaken + S::Script{S::expect(".")} +
             envelope("MAIL FROM:<me@example.jp> SIZE=") + S::Script{S::send("250 2.0.0 Ok: queued as 1")} +
             kTaken + queued,
         "sent; sent",
         {kMail, kMail}},
        {"a-refused-recipient-among-several-is-named-and-the-others-get-the-mail",
         greeted({"250-mail.example.jp", "250 PIPELINING"}) +
             S::Script{S::expect("MAIL FROM"), S::expect("RCPT TO:<a@example.jp>"),
                       S::expect("RCPT TO:<nobody@example.jp>"), S::expectAlone("DATA"), S::send("250 Ok"),
                       S::send("250 Ok"), S::send("550 5.1.1 <nobody@example.jp>: User unknown"),
                       S::send("354 go ahead"), S::content()} +
             queued,
         "sent but nobody@example.jp (550 5.1.1 <nobody@example.jp>: User unknown)",
         {mailTo("a@example.jp, 誰 <nobody@example.jp>")}},
        {"a-refused-mail-is-reset-and-the-next-goes-in-the-same-round-trip",
         greeted({"250-mail.example.jp", "250 PIPELINING"}) +
             envelope("MAIL FROM", "RCPT TO:<nobody@example.jp>") +
             S::Script{S::send("250 2.1.0 Ok"), S::send("550-5.7.1 <nobody@example.jp>: Recipient address"),
                       S::send("550 5.7.1 rejected: not here"),
                       S::send("554 5.5.1 Error: no valid recipients"), S::expect("RSET")} +
             envelope() + S::Script{S::send("250 2.0.0 Ok")} + kTaken + queued,
         "Refused: 550-5.7.1 <nobody@example.jp>: Recipient address\n550 5.7.1 rejected: not here; sent",
         {mailTo("nobody@example.jp"), kMail}},
        {"server-silent-after-the-content",
         greeted({"250-mail.example.jp", "250 PIPELINING"}) + envelope() + kTaken +
             S::Script{S::expect("."), S::silent(5000)},
         "Timeout ended"},
        {"server-hangs-up-after-the-content",
         greeted({"250-mail.example.jp", "250 PIPELINING"}) + envelope() + kTaken +
             S::Script{S::expect("."), S::close()},
         "ConnectionLost ended"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedServer server({row.script});
        TempFolder data;
        int questions = 0;
        const TlsPolicy policy(data.file(TlsPolicy::kFileName), [&](const Error&) {
            ++questions;
            return row.userSaysYes;
        });
        if (row.knownTls) {
            ASSERT_TRUE(policy.rememberTls(QStringLiteral("smtp 127.0.0.1:%1").arg(server.port())).ok());
        }
        {
            SmtpSession session({{5000, 1000}, {QStringLiteral("tim"), QStringLiteral("tanstaaftanstaaf")}},
                                CertificateTrust(), policy, server.address());
            EXPECT_EQ(outcomes(session, row.mails), row.outcome);
        }
        EXPECT_EQ(questions, row.questions);
        EXPECT_TRUE(server.problems().isEmpty()) << server.problems().join(u'\n').toStdString();
        if (*row.line) {
            EXPECT_TRUE(server.received().contains(row.line));
        }
    }
}

// A token goes only over TLS, and a refused one is renewed once; replies
// may come torn anywhere, several in one piece.
TEST(SmtpSession, aTokenLoginOverTlsAndRepliesInPieces) {
    using Lines = QList<QByteArray>;
    const auto bearer = [](const char* token) {
        return "AUTH OAUTHBEARER " + ("n,a=tim,\x01host=127.0.0.1\x01port=465\x01"
                                      "auth=Bearer " +
                                      QByteArray(token) + "\x01\x01")
                                         .toBase64();
    };
    const QByteArray mail = "250-mail.example.jp\r\n250-AUTH PLAIN OAUTHBEARER\r\n250 PIPELINING\r\n";
    const QByteArray invalid = "334 " + QByteArray(R"({"status":"invalid_token"})").toBase64() + "\r\n";
    const QByteArray refused = "535 5.7.8 Error: authentication failed\r\n";
    struct Row {
        const char* name;
        QList<FakeMailStream::Chunk> server;
        const char* outcome;
        Lines written;
    };
    const Row rows[] = {
        {"refused-token-acknowledged-renewed-and-the-mail-goes-with-replies-torn",
         {{"220 mail.example.jp ESMTP\r\n" + mail.left(30)},
          {mail.mid(30), 5},
          {invalid},
          {refused},
          {"235 2.7.0 Ok\r\n250 2.1.0 Ok\r\n25"},
          {"0 2.1.5 Ok\r\n354 go", 5},
          {"\r\n250 2.0.0 queued\r\n2"},
          {"21 Bye\r\n"}},
         "sent",
         {"EHLO localhost", bearer("old"), "AQ==", bearer("new"), "MAIL FROM:<me@example.jp>",
          "RCPT TO:<to@example.jp>", "DATA"}},
        {"refused-twice-names-the-servers-words-and-ends-the-session",
         {{"220 mail.example.jp ESMTP\r\n" + mail},
          {invalid},
          {refused},
          {invalid},
          {refused},
          {"221 Bye\r\n"}},
         "TokenRefused ended: 535 5.7.8 Error: authentication failed (invalid_token)",
         {"EHLO localhost", bearer("old"), "AQ==", bearer("new"), "AQ==", "QUIT"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto stream = std::make_unique<FakeMailStream>(row.server);
        const auto record = stream->record();
        const auto tokens =
            std::make_shared<ListedTokens>(QStringList{QStringLiteral("old"), QStringLiteral("new")});
        {
            SmtpSession session({{}, {QStringLiteral("tim"), {}, tokens}}, std::move(stream), TlsPolicy(),
                                QStringLiteral("smtps://127.0.0.1"));
            EXPECT_EQ(outcomes(session, {kMail}), row.outcome);
        }
        EXPECT_TRUE(record->tls);
        EXPECT_EQ(record->written.mid(0, row.written.size()), row.written);
    }
}

// A server without TLS gets no token, whatever it offers, and no question is asked.
TEST(SmtpSession, aTokenNeverGoesInClear) {
    ScriptedServer server({greeted({"250-mail.example.jp", "250 AUTH PLAIN XOAUTH2 OAUTHBEARER"}) +
                           S::Script{S::expect("QUIT")}});
    int asked = 0;
    const TlsPolicy policy({}, [&asked](const Error&) { return ++asked > 0; });
    const auto tokens = std::make_shared<ListedTokens>(QStringList{QStringLiteral("t1")});
    SmtpSession session({{5000, 5000}, {QStringLiteral("u1"), {}, tokens}}, CertificateTrust(), policy,
                        server.address());
    EXPECT_EQ(outcomes(session, {kMail}), "TokenNeedsTls ended");
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(tokens->handedOut(), 0);
}
