// The access tokens the sessions log in with: when the stored one will do,
// when it is renewed, what went wrong when it cannot be, and what a renewal
// keeps when the user signed in or out while it was on its way.
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

// Whose sign-in the file holds, and its tokens: "user refresh access", or
// nothing.
QString held(const QString& file) {
    const std::optional<OAuthSignIn> s = TokenStore(file).load();
    return s ? QStringList{s->user, s->tokens.refreshToken, s->tokens.accessToken}.join(u' ') : QString();
}

// A file holding the sign-in `stored()` with a token that expired.
struct ExpiredSignIn {
    ExpiredSignIn() { EXPECT_TRUE(TokenStore(file).save(signIn).ok()); }

    const TempFolder folder;
    const QString file = folder.file(QStringLiteral("oauth2-signin"));
    const OAuthSignIn signIn = stored(kNow.addSecs(-1));
};

} // namespace

TEST(AccessTokens, theStoredTokenServesUntilItExpiresOrIsRefused) {
    const auto reply = FakeTokenEndpoint::json;
    const auto renewed = [&](const char* body) { return QList<Result<HttpReply>>{reply(200, body)}; };
    struct Row {
        const char* name;
        qint64 expiresIn; // of the stored token "a0", seconds from now
        bool refusedByServer;
        QList<Result<HttpReply>> replies;
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
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder folder;
        const QString file = folder.path() + QStringLiteral("/oauth2-signin");
        ASSERT_TRUE(TokenStore(file).save(stored(kNow.addSecs(row.expiresIn))).ok());
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = row.replies;
        AccessTokens tokens(TokenStore(file), endpoint, [] { return kNow; });
        if (row.refusedByServer) {
            ASSERT_EQ(*tokens.accessToken(), a0);
        }
        const Result<QString> got = row.refusedByServer ? tokens.renewedAccessToken() : tokens.accessToken();
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

TEST(AccessTokens, onlyARefusedGrantOrClientAsksToSignInAgainAndTheSignInIsKept) {
    using R = Result<HttpReply>;
    const auto reply = FakeTokenEndpoint::json;
    struct Row {
        const char* name;
        R reply;
        QString error; // debugText: SignInExpired asks to sign in again
    };
    const Row rows[] = {
        {"revoked-refresh-token",
         reply(400, R"({"error":"invalid_grant","error_description":"Token has been revoked."})"),
         QStringLiteral("SignInExpired() <- TokenNotIssued(invalid_grant (Token has been revoked.))")},
        {"client-deleted-at-the-provider", reply(401, R"({"error":"invalid_client"})"),
         QStringLiteral("SignInExpired() <- TokenNotIssued(invalid_client)")},
        {"client-no-longer-allowed-to-renew", reply(400, R"({"error":"unauthorized_client"})"),
         QStringLiteral("SignInExpired() <- TokenNotIssued(unauthorized_client)")},
        {"malformed-request",
         reply(400, R"({"error":"invalid_request","error_description":"Missing parameter: scope"})"),
         QStringLiteral("TokenNotIssued(invalid_request (Missing parameter: scope))")},
        {"provider-busy-under-a-400",
         reply(400, R"({"error":"temporarily_unavailable","error_description":"AADSTS50196"})"),
         QStringLiteral("TokenServerBusy(temporarily_unavailable (AADSTS50196), #400)")},
        {"provider-fault-under-a-401", reply(401, R"({"error":"server_error"})"),
         QStringLiteral("TokenServerBusy(server_error, #401)")},
        {"provider-down", reply(503, R"({"error":"temporarily_unavailable"})"),
         QStringLiteral("TokenServerBusy(temporarily_unavailable, #503)")},
        {"gateway-error-page", reply(502, "<html>Bad Gateway</html>"),
         QStringLiteral("TokenServerBusy(#502)")},
        {"refusal-without-a-reason", reply(401, ""), QStringLiteral("TokenServerUnreadable(#401)")},
        {"provider-unreachable",
         R::failure({.kind = Error::Kind::TokenServerUnreachable, .name = QStringLiteral("auth.example.jp")}),
         QStringLiteral("TokenServerUnreachable(auth.example.jp)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ExpiredSignIn account;
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = {row.reply};
        const Result<QString> got =
            AccessTokens(TokenStore(account.file), endpoint, [] { return kNow; }).accessToken();
        ASSERT_FALSE(got.ok());
        EXPECT_EQ(got.error().debugText(), row.error);
        EXPECT_EQ(held(account.file), QStringLiteral("taro@example.jp r0 a0"));
    }
}

TEST(AccessTokens, aRenewalNeverUndoesASignInOrASignOutMadeWhileItWasOnItsWay) {
    const OAuthSignIn newSignIn{QStringLiteral("hanako@example.jp"),
                                stored(kNow).client,
                                {QStringLiteral("r9"), QStringLiteral("b0"), kNow.addSecs(3600)}};
    struct Row {
        const char* name;
        std::function<Status(const TokenStore&)> meanwhile;
        QString held;
        QString got; // the token the session gets, or the error (debugText)
    };
    const Row rows[] = {
        {"sign-in-completed-meanwhile-is-kept-and-used",
         [&](const TokenStore& store) { return store.save(newSignIn); },
         QStringLiteral("hanako@example.jp r9 b0"), QStringLiteral("b0")},
        {"return-to-the-password-meanwhile-wins",
         [](const TokenStore& store) { return store.remove(); },
         {},
         QStringLiteral("NotSignedIn()")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ExpiredSignIn account;
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = {FakeTokenEndpoint::json(200, R"({"access_token":"a1","expires_in":3600})")};
        endpoint->meanwhile = [&] { EXPECT_TRUE(row.meanwhile(TokenStore(account.file)).ok()); };
        const Result<QString> got =
            AccessTokens(TokenStore(account.file), endpoint, [] { return kNow; }).accessToken();
        EXPECT_EQ(got.ok() ? *got : got.error().debugText(), row.got);
        EXPECT_EQ(held(account.file), row.held);
        EXPECT_EQ(endpoint->posts.size(), 1);
    }
}
