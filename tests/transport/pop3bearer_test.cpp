// The POP3 login with an OAuth 2.0 bearer token: each row is what the server
// offered and answered, played through a fake stream, and what the client
// must have written in return.
#include <gtest/gtest.h>

#include "tests/support/errors.h"
#include "tests/support/fakemailstream.h"
#include "tests/support/listedtokens.h"
#include "transport/pop3session.h"

namespace {

using Lines = QList<QByteArray>;
using K = Error::Kind;

QByteArray xoauth2(const char* token) {
    return "AUTH XOAUTH2 " + ("user=u@example.jp\x01"
                              "auth=Bearer " +
                              QByteArray(token) + "\x01\x01")
                                 .toBase64();
}

QByteArray oauthbearer(const char* token) {
    return "AUTH OAUTHBEARER " + ("n,a=u@example.jp,\x01host=127.0.0.1\x01port=995\x01"
                                  "auth=Bearer " +
                                  QByteArray(token) + "\x01\x01")
                                     .toBase64();
}

std::string joined(const Lines& lines) {
    return lines.join(" | ").toStdString();
}

} // namespace

TEST(Pop3Bearer, theTokenGoesOnlyOverTlsAndARefusedOneIsRenewedOnce) {
    const QByteArray longToken(300, 'x');
    const QByteArray invalidToken = "+ " + QByteArray(R"({"status":"invalid_token"})").toBase64();
    struct Row {
        const char* name;
        const char* server;
        QByteArray sasl; // the CAPA line
        QStringList tokens;
        Lines replies; // after CAPA
        Lines written; // after CAPA
        int count;
        std::optional<K> error = {};
        QString refusal = {}; // the server's words, in the error
    };
    const Row rows[] = {
        {"oauthbearer-first-when-both-are-offered",
         "pop3s://127.0.0.1",
         "SASL PLAIN XOAUTH2 OAUTHBEARER",
         {QStringLiteral("t1")},
         {"+OK Logged in.", "+OK 2 20", "+OK", "1 10", "2 10", ".", "-ERR"},
         {oauthbearer("t1"), "STAT", "LIST", "UIDL"},
         2},
        {"xoauth2-when-it-is-all-the-server-offers",
         "pop3s://127.0.0.1",
         "SASL PLAIN XOAUTH2",
         {QStringLiteral("t1")},
         {"+OK", "+OK 0 0"},
         {xoauth2("t1"), "STAT"},
         0},
        {"token-too-long-for-the-command-waits-for-the-go-ahead",
         "pop3s://127.0.0.1",
         "SASL XOAUTH2",
         {QString::fromLatin1(longToken)},
         {"+ ", "+OK", "+OK 0 0"},
         {"AUTH XOAUTH2", xoauth2(longToken.constData()).mid(13), "STAT"},
         0},
        {"refused-token-acknowledged-with-01-then-renewed",
         "pop3s://127.0.0.1",
         "SASL OAUTHBEARER",
         {QStringLiteral("old"), QStringLiteral("new")},
         {invalidToken, "-ERR [AUTH] Authentication failed.", "+OK", "+OK 0 0"},
         {oauthbearer("old"), "AQ==", oauthbearer("new"), "STAT"},
         0},
        {"xoauth2-error-challenge-gets-an-empty-response-and-a-second-refusal-ends-it",
         "pop3s://127.0.0.1",
         "SASL XOAUTH2",
         {QStringLiteral("old"), QStringLiteral("new")},
         {invalidToken, "-ERR [AUTH] Authentication failed.", "-ERR [AUTH] Authentication failed."},
         {xoauth2("old"), "", xoauth2("new")},
         -1,
         K::TokenRefused,
         QStringLiteral("-ERR [AUTH] Authentication failed.")},
        {"refused-renewal-after-a-refusal-sends-nothing-more",
         "pop3s://127.0.0.1",
         "SASL XOAUTH2",
         {QStringLiteral("old"), QStringLiteral("!")},
         {"-ERR [AUTH] Authentication failed."},
         {xoauth2("old")},
         -1,
         K::NotSignedIn},
        {"no-token-at-all-sends-nothing",
         "pop3s://127.0.0.1",
         "SASL XOAUTH2",
         {QStringLiteral("!")},
         {},
         {},
         -1,
         K::NotSignedIn},
        {"server-in-clear-gets-no-token",
         "127.0.0.1",
         "SASL XOAUTH2",
         {QStringLiteral("t1")},
         {},
         {},
         -1,
         K::TokenNeedsTls},
        {"server-without-a-bearer-mechanism",
         "pop3s://127.0.0.1",
         "SASL PLAIN",
         {QStringLiteral("t1")},
         {},
         {},
         -1,
         K::NoTokenLogin,
         QStringLiteral("POP3")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Lines server{"+OK ready", "+OK", "UIDL", row.sasl, "."};
        server += row.replies;
        auto stream =
            std::make_unique<FakeMailStream>(QList<FakeMailStream::Chunk>{FakeMailStream::lines(server)});
        const auto record = stream->record();
        Pop3Session::Options options;
        options.bearer = std::make_shared<ListedTokens>(row.tokens);
        Pop3Session pop(options, std::move(stream), TlsPolicy());
        ASSERT_TRUE(pop.connect(QString::fromLatin1(row.server)));
        const Result<int> count =
            pop.authenticate(QStringLiteral("u@example.jp"), QStringLiteral("password"), false);
        EXPECT_EQ(count ? *count : -1, row.count);
        EXPECT_EQ(count ? std::optional<K>() : count.error().kind, row.error);
        EXPECT_EQ(count ? QString() : count.error().detail, row.refusal);
        EXPECT_EQ(joined(record->written.mid(1)), joined(row.written));
    }
}
