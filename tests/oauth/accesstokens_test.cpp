// The access tokens the sessions log in with: when the stored one will do,
// when it is renewed, and what went wrong when it cannot be.
#include <QFile>
#include <gtest/gtest.h>

#include "oauth/accesstokens.h"
#include "tests/support/faketokenendpoint.h"
#include "tests/support/tempfolder.h"

namespace {

const QDateTime kNow = QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC);

OAuthSignIn stored(const QDateTime& expiresAt) {
    return {QStringLiteral("taro@example.jp"),
            {QStringLiteral("google"), QStringLiteral("https://auth.example.jp/authorize"),
             QStringLiteral("https://auth.example.jp/token"), QStringLiteral("mail"),
             QStringLiteral("client-1"), QStringLiteral("not-a-secret")},
            {QStringLiteral("r0"), QStringLiteral("a0"), expiresAt}};
}

} // namespace

TEST(AccessTokens, theStoredTokenServesUntilItExpiresOrIsRefused) {
    const auto reply = FakeTokenEndpoint::json;
    const auto renewed = [&](const char* body) { return QList<MailResult<HttpReply>>{reply(200, body)}; };
    struct Row {
        const char* name;
        qint64 expiresIn; // of the stored token "a0", seconds from now
        bool refusedByServer;
        QList<MailResult<HttpReply>> replies;
        QString got;      // the token the session gets, or the error (debugText)
        OAuthTokens kept; // in the store afterwards
    };
    const QString a0 = QStringLiteral("a0"), a1 = QStringLiteral("a1"), r0 = QStringLiteral("r0");
    const Row rows[] = {
        {"lasting-token-without-a-round-trip", 3600, false, {}, a0, {r0, a0, kNow.addSecs(3600)}},
        {"expired-token-renewed-and-kept",
         -1,
         false,
         renewed(R"({"access_token":"a1","expires_in":3599})"),
         a1,
         {r0, a1, kNow.addSecs(3599)}},
        {"token-about-to-expire-renewed",
         30,
         false,
         renewed(R"({"access_token":"a1","expires_in":"3600"})"),
         a1,
         {r0, a1, kNow.addSecs(3600)}},
        {"rotated-refresh-token-kept",
         -1,
         false,
         renewed(R"({"access_token":"a1","refresh_token":"r1","expires_in":3600})"),
         a1,
         {QStringLiteral("r1"), a1, kNow.addSecs(3600)}},
        {"lasting-token-the-server-refused-is-renewed",
         3600,
         true,
         renewed(R"({"access_token":"a1","expires_in":3600})"),
         a1,
         {r0, a1, kNow.addSecs(3600)}},
        {"revoked-refresh-token-asks-to-sign-in-again",
         -1,
         false,
         {reply(400, R"({"error":"invalid_grant","error_description":"Token has been revoked."})")},
         QStringLiteral("SignInExpired() <- TokenNotIssued(invalid_grant (Token has been revoked.))"),
         {r0, a0, kNow.addSecs(-1)}},
        {"provider-unreachable-is-no-reason-to-sign-in-again",
         -1,
         false,
         {MailResult<HttpReply>::failure(
             {.kind = MailError::Kind::TokenServerUnreachable, .name = QStringLiteral("auth.example.jp")})},
         QStringLiteral("TokenServerUnreachable(auth.example.jp)"),
         {r0, a0, kNow.addSecs(-1)}},
        {"provider-trouble-is-no-reason-to-sign-in-again",
         -1,
         false,
         {reply(503, R"({"error":"temporarily_unavailable"})")},
         QStringLiteral("TokenServerUnreadable(#503)"),
         {r0, a0, kNow.addSecs(-1)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder folder;
        const QString file = folder.path() + QStringLiteral("/oauth2-signin");
        ASSERT_TRUE(TokenStore(file).save(stored(kNow.addSecs(row.expiresIn))).ok());
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = row.replies;
        AccessTokens tokens(file, endpoint, [] { return kNow; });
        if (row.refusedByServer) {
            ASSERT_EQ(*tokens.accessToken(), a0);
        }
        const MailResult<QString> got =
            row.refusedByServer ? tokens.renewedAccessToken() : tokens.accessToken();
        EXPECT_EQ(got.ok() ? *got : got.error().debugText(), row.got);
        EXPECT_EQ(TokenStore(file).load()->tokens, row.kept);
        EXPECT_EQ(endpoint->posts.size(), row.replies.size());
        for (const FakeTokenEndpoint::Post& post : endpoint->posts) {
            EXPECT_EQ(post.url, QStringLiteral("https://auth.example.jp/token"));
            EXPECT_EQ(post.value("grant_type"), QStringLiteral("refresh_token"));
            EXPECT_EQ(post.value("refresh_token"), r0);
            EXPECT_EQ(post.value("client_id"), QStringLiteral("client-1"));
            EXPECT_EQ(post.value("client_secret"), QStringLiteral("not-a-secret"));
        }
    }
}
