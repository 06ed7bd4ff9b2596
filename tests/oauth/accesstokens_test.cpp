// The access tokens the sessions log in with: when the stored one will do,
// when it is renewed, and what the user is told when it cannot be.
#include <QFile>
#include <gtest/gtest.h>

#include "oauth/accesstokens.h"
#include "tests/support/faketokenendpoint.h"
#include "tests/support/tempfolder.h"

namespace {

const QDateTime kNow = QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC);
const QString kSignInAgain = QStringLiteral(
    "サインインの期限が切れたか、取り消されました。「ID/PASS」の画面の「OAuth2...」からサインインし直してください。");

OAuthSignIn stored(const QDateTime& expiresAt) {
    return {QStringLiteral("taro@example.jp"),
            {QStringLiteral("google"), QStringLiteral("https://auth.example.jp/authorize"),
             QStringLiteral("https://auth.example.jp/token"), QStringLiteral("mail"), QStringLiteral("client-1"),
             QStringLiteral("not-a-secret")},
            {QStringLiteral("r0"), QStringLiteral("a0"), expiresAt}};
}

} // namespace

TEST(AccessTokens, theStoredTokenServesUntilItExpiresOrIsRefused) {
    enum class Ask { Token, RenewedAfterRefusal };
    struct Row {
        const char* name;
        qint64 expiresIn; // seconds from now of the stored token
        Ask ask;
        QList<Result<HttpReply>> replies;
        const char* token;        // what the session gets, or
        QString error;            // what the user is told
        OAuthTokens kept;         // what the store holds afterwards
    };
    const auto reply = FakeTokenEndpoint::json;
    const Row rows[] = {
        {"lasting-token-without-a-round-trip", 3600, Ask::Token, {}, "a0", {},
         {QStringLiteral("r0"), QStringLiteral("a0"), kNow.addSecs(3600)}},
        {"expired-token-renewed-and-kept", -1, Ask::Token,
         {reply(200, R"({"access_token":"a1","token_type":"Bearer","expires_in":3599})")}, "a1", {},
         {QStringLiteral("r0"), QStringLiteral("a1"), kNow.addSecs(3599)}},
        {"token-about-to-expire-renewed", 30, Ask::Token,
         {reply(200, R"({"access_token":"a1","expires_in":"3600"})")}, "a1", {},
         {QStringLiteral("r0"), QStringLiteral("a1"), kNow.addSecs(3600)}},
        {"rotated-refresh-token-kept", -1, Ask::Token,
         {reply(200, R"({"access_token":"a1","refresh_token":"r1","expires_in":3600})")}, "a1", {},
         {QStringLiteral("r1"), QStringLiteral("a1"), kNow.addSecs(3600)}},
        {"lasting-token-the-server-refused-is-renewed", 3600, Ask::RenewedAfterRefusal,
         {reply(200, R"({"access_token":"a1","expires_in":3600})")}, "a1", {},
         {QStringLiteral("r0"), QStringLiteral("a1"), kNow.addSecs(3600)}},
        {"revoked-refresh-token-asks-to-sign-in-again", -1, Ask::Token,
         {reply(400, R"({"error":"invalid_grant","error_description":"Token has been expired or revoked."})")},
         nullptr,
         QStringLiteral("認証サーバーがトークンを発行しませんでした: invalid_grant (Token has been expired or "
                        "revoked.)\n") + kSignInAgain,
         {QStringLiteral("r0"), QStringLiteral("a0"), kNow.addSecs(-1)}},
        {"provider-unreachable-is-no-reason-to-sign-in-again", -1, Ask::Token,
         {Result<HttpReply>::failure(QStringLiteral("認証サーバー (auth.example.jp) と通信できませんでした。"))},
         nullptr, QStringLiteral("認証サーバー (auth.example.jp) と通信できませんでした。"),
         {QStringLiteral("r0"), QStringLiteral("a0"), kNow.addSecs(-1)}},
        {"provider-trouble-is-no-reason-to-sign-in-again", -1, Ask::Token, {reply(503, R"({"error":"temporarily_unavailable"})")},
         nullptr, QStringLiteral("認証サーバーの応答が読めません (HTTP 503)。時間をおいてもう一度お試しください。"),
         {QStringLiteral("r0"), QStringLiteral("a0"), kNow.addSecs(-1)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder folder;
        const QString file = folder.path() + QStringLiteral("/oauth2-signin");
        ASSERT_TRUE(TokenStore(file).save(stored(kNow.addSecs(row.expiresIn))).ok());
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = row.replies;
        AccessTokens tokens(file, endpoint, [] { return kNow; });
        if (row.ask == Ask::RenewedAfterRefusal) {
            ASSERT_EQ(*tokens.accessToken(), QStringLiteral("a0"));
        }
        const Result<QString> got =
            row.ask == Ask::Token ? tokens.accessToken() : tokens.renewedAccessToken();
        if (row.token) {
            ASSERT_TRUE(got.ok()) << got.error().toStdString();
            EXPECT_EQ(*got, QString::fromLatin1(row.token));
        } else {
            ASSERT_FALSE(got.ok());
            EXPECT_EQ(got.error(), row.error);
        }
        EXPECT_EQ(TokenStore(file).load()->tokens, row.kept);
        EXPECT_EQ(endpoint->posts.size(), row.replies.size());
        for (const FakeTokenEndpoint::Post& post : endpoint->posts) {
            EXPECT_EQ(post.url, QStringLiteral("https://auth.example.jp/token"));
            EXPECT_EQ(post.value("grant_type"), QStringLiteral("refresh_token"));
            EXPECT_EQ(post.value("refresh_token"), QStringLiteral("r0"));
            EXPECT_EQ(post.value("client_id"), QStringLiteral("client-1"));
            EXPECT_EQ(post.value("client_secret"), QStringLiteral("not-a-secret"));
        }
    }
}
