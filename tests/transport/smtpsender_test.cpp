// The SMTP server forms, and against a scripted server the TLS paths a real
// server will not take on demand.
#include <gtest/gtest.h>

#include "tests/support/listedtokens.h"
#include "tests/support/scriptedserver.h"
#include "tests/support/tempfolder.h"
#include "transport/smtpsender.h"

namespace {

using S = ScriptedServer;
using K = Error::Kind;

TEST(SmtpServerField, formsGivePortAndTls) {
    struct Row {
        const char* text;
        int port;
        bool tls;
    } const rows[] = {
        {"mail.example.jp", 25, false},
        {"mail.example.jp:587", 587, false},
        {"smtp://mail.example.jp", 25, false},
        {"smtp://mail.example.jp:587/", 587, false},
        {"mail.example.jp:465", 465, true},
        {"smtps://mail.example.jp", 465, true},
        {"SMTPS://mail.example.jp:2465", 2465, true},
        {"smtp://mail.example.jp:465", 465, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const std::optional<ServerAddress> a = ServerAddress::parse(QString::fromLatin1(r.text), kSmtpScheme);
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->host, QStringLiteral("mail.example.jp"));
        EXPECT_EQ(a->port, r.port);
        EXPECT_EQ(a->tlsFromStart, r.tls);
    }
    EXPECT_FALSE(ServerAddress::parse(QStringLiteral("pop3s://mail.example.jp"), kSmtpScheme));
}

// Greeting and an EHLO reply offering STARTTLS and login.
ScriptedServer::Script offeringTls() {
    return {S::send("220 mail.example.jp ESMTP"), S::expect("EHLO"),
            S::send("250-mail.example.jp"),       S::send("250-STARTTLS"),
            S::send("250 AUTH PLAIN LOGIN"),      S::expect("STARTTLS")};
}

SmtpSender quickSender() {
    return SmtpSender({{5, 5}, {QStringLiteral("u1"), QStringLiteral("secret")}}, CertificateTrust());
}

const OutgoingMail kMail{QStringLiteral("to@example.jp"),
                         QStringLiteral("me@example.jp"),
                         QStringLiteral("件名"),
                         QStringLiteral("本文"),
                         {}};

// Whatever the client sent after the script's last step: nothing but QUIT may follow.
void expectNothingInClearAfter(ScriptedServer& server, const char* lastCommand) {
    const QList<QByteArray> got = server.received();
    qsizetype at = 0;
    while (at < got.size() && !got[at].startsWith(lastCommand))
        ++at;
    ASSERT_LT(at, got.size()) << "never saw " << lastCommand;
    for (qsizetype i = at + 1; i < got.size(); ++i)
        EXPECT_TRUE(got[i].startsWith("QUIT") || got[i].isEmpty()) << got[i].toStdString();
}

TEST(SmtpStartTls, refusedAfterBeingOfferedIsAnErrorNotPlainText) {
    ScriptedServer::Script script = offeringTls();
    script += {S::send("454 4.7.0 TLS not available due to local problem"), S::expect("")};
    ScriptedServer server({script});
    const Status sent = quickSender().send(server.address(), kMail);
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().kind, K::StartTlsRefused);
    EXPECT_EQ(sent.error().name, server.address());
    EXPECT_EQ(sent.error().detail, QStringLiteral("454 4.7.0 TLS not available due to local problem"));
    expectNothingInClearAfter(server, "STARTTLS");
}

TEST(SmtpStartTls, brokenHandshakeIsAnErrorAndSendsNoPassword) {
    ScriptedServer::Script script = offeringTls();
    script += {S::send("220 2.0.0 Ready to start TLS"), S::send("this is not a TLS record"), S::expect("")};
    ScriptedServer server({script});
    const Status sent = quickSender().send(server.address(), kMail);
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().kind, K::Tls);
    for (const QByteArray& line : server.received())
        EXPECT_FALSE(line.contains("AUTH") || line.contains("MAIL")) << line.toStdString();
}

// A server once seen with TLS that now offers none: someone on the path may
// have removed the offer. Nothing but EHLO and QUIT may leave, whether it
// offers AUTH or not, and the user is not asked about a login in clear.
TEST(SmtpTlsPolicy, aServerOnceSeenWithTlsThatOffersNoneIsRefusedBeforeAuthOrMail) {
    for (const char* lastEhloLine : {"250 AUTH PLAIN LOGIN", "250 8BITMIME"}) {
        SCOPED_TRACE(lastEhloLine);
        ScriptedServer server({{S::send("220 mail.example.jp ESMTP"), S::expect("EHLO"),
                                S::send("250-mail.example.jp"), S::send(lastEhloLine), S::expect("")}});
        TempFolder data;
        const TlsPolicy policy(data.file(TlsPolicy::kFileName), [](const Error&) { return true; });
        const ServerAddress address = *ServerAddress::parse(server.address(), kSmtpScheme);
        ASSERT_TRUE(policy.rememberTls(TlsPolicy::service("smtp", address)).ok());
        const Status sent =
            SmtpSender({{5, 5}, {QStringLiteral("u1"), QStringLiteral("secret")}}, CertificateTrust(), policy)
                .send(server.address(), kMail);
        EXPECT_EQ(sent.error().kind, K::TlsWithdrawn);
        EXPECT_EQ(sent.error().name, server.address());
        expectNothingInClearAfter(server, "EHLO");
    }
}

// A server that offers no TLS gets no token, whatever it offers, and the
// user is not asked about a login in clear.
TEST(SmtpBearer, aTokenNeverGoesInClear) {
    ScriptedServer server(
        {{S::send("220 mail.example.jp ESMTP"), S::expect("EHLO"), S::send("250-mail.example.jp"),
          S::send("250 AUTH PLAIN XOAUTH2 OAUTHBEARER"), S::expect("")}});
    int asked = 0;
    const TlsPolicy policy({}, [&asked](const Error&) { return ++asked > 0; });
    const auto tokens = std::make_shared<ListedTokens>(QStringList{QStringLiteral("t1")});
    const Status sent = SmtpSender({{5, 5}, {QStringLiteral("u1"), {}, tokens}}, CertificateTrust(), policy)
                            .send(server.address(), kMail);
    ASSERT_FALSE(sent.ok());
    EXPECT_EQ(sent.error().kind, K::Tls);
    EXPECT_EQ(sent.error().name, server.address());
    EXPECT_EQ(asked, 0);
    expectNothingInClearAfter(server, "EHLO");
}

} // namespace
