// The sign-in through the browser, against a real loopback listener, with a
// browser that plays the authorization server and a token endpoint that
// answers from a list.
#include <QUrlQuery>
#include <gtest/gtest.h>

#include "oauth/pkce.h"
#include "oauth/signinflow.h"
#include "tests/support/faketokenendpoint.h"
#include "tests/support/testbrowser.h"
#include "text/canceltoken.h"

namespace {

const QDateTime kNow = QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC);

OAuthClient client() {
    return {QStringLiteral("custom"),
            QStringLiteral("https://auth.example.jp/authorize?tenant=t1"),
            QStringLiteral("https://auth.example.jp/token"),
            QStringLiteral("mail offline"),
            QStringLiteral("client-1"),
            QStringLiteral("not-a-secret")};
}

QString queryValue(const QUrl& url, const char* key) {
    return QUrlQuery(url).queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}

} // namespace

TEST(SignInFlow, theCodeComesBackToTheLoopbackListenerAndIsExchangedWithItsVerifier) {
    const Result<HttpReply> granted =
        FakeTokenEndpoint::json(200, R"({"access_token":"a1","refresh_token":"r1","expires_in":3600})");
    enum class Browser { Answers, AnswersWithAnotherState, Cancels, NeverComesBack };
    struct Row {
        const char* name;
        Browser browser;
        QByteArray answer;
        QList<Result<HttpReply>> replies;
        const char* error; // nullptr: signed in; else the error's debugText
    };
    const Row rows[] = {
        {"code-exchanged-for-tokens", Browser::Answers, "code=c%2F1", {granted}, nullptr},
        {"user-refused-access-in-the-browser", Browser::Answers, "error=access_denied", {}, "SignInDenied()"},
        {"provider-answered-without-a-code",
         Browser::Answers,
         "error=server_error",
         {},
         "SignInIncomplete(server_error)"},
        {"provider-refused-the-code",
         Browser::Answers,
         "code=c1",
         {FakeTokenEndpoint::json(400, R"({"error":"invalid_grant","error_description":"Code expired"})")},
         "TokenNotIssued(invalid_grant (Code expired))"},
        {"provider-unreachable", Browser::Answers, "code=c1", {}, "TokenServerUnreachable()"},
        {"no-refresh-token-issued",
         Browser::Answers,
         "code=c1",
         {FakeTokenEndpoint::json(200, R"({"access_token":"a1","expires_in":3600})")},
         "NoRefreshToken()"},
        {"redirect-with-another-state-is-not-taken",
         Browser::AnswersWithAnotherState,
         "code=forged",
         {granted},
         "SignInTimedOut()"},
        {"user-cancelled-in-the-program", Browser::Cancels, {}, {}, "SignInCancelled()"},
        {"browser-never-came-back", Browser::NeverComesBack, {}, {}, "SignInTimedOut()"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto endpoint = std::make_shared<FakeTokenEndpoint>();
        endpoint->replies = row.replies;
        SignInFlow::Options options;
        options.timeout = std::chrono::milliseconds(row.browser == Browser::Answers ? 20000 : 500);
        options.now = [] { return kNow; };
        const SignInFlow flow(client(), QStringLiteral("taro+mail@example.jp"),
                              {{QStringLiteral("prompt"), QStringLiteral("consent")}}, endpoint, options);
        TestBrowser browser;
        const CancelToken cancelled;
        const Result<OAuthTokens> tokens = flow.run(
            [&](const QUrl& url) {
                if (row.browser == Browser::Answers)
                    browser.answer(url, row.answer);
                else if (row.browser == Browser::AnswersWithAnotherState)
                    browser.answerWithState(url, row.answer, "forged-state");
                else if (row.browser == Browser::Cancels)
                    cancelled.cancel();
            },
            cancelled);
        if (row.error) {
            ASSERT_FALSE(tokens.ok());
            EXPECT_EQ(tokens.error().debugText(), QString::fromUtf8(row.error));
            continue;
        }
        ASSERT_TRUE(tokens.ok()) << tokens.error().debugText().toStdString();
        EXPECT_EQ(*tokens, (OAuthTokens{QStringLiteral("r1"), QStringLiteral("a1"), kNow.addSecs(3600)}));
        // What the browser was sent to, and what went to the token endpoint.
        const QUrl shown = browser.shown().value(0);
        EXPECT_EQ(shown.toString(QUrl::RemoveQuery), QStringLiteral("https://auth.example.jp/authorize"));
        EXPECT_TRUE(shown.toEncoded().contains("login_hint=taro%2Bmail%40example.jp"))
            << shown.toEncoded().data();
        EXPECT_EQ(queryValue(shown, "tenant"), QStringLiteral("t1"));
        EXPECT_EQ(queryValue(shown, "prompt"), QStringLiteral("consent"));
        EXPECT_EQ(queryValue(shown, "scope"), QStringLiteral("mail offline"));
        EXPECT_EQ(queryValue(shown, "code_challenge_method"), QStringLiteral("S256"));
        EXPECT_TRUE(queryValue(shown, "redirect_uri").startsWith(QStringLiteral("http://127.0.0.1:")));
        ASSERT_EQ(endpoint->posts.size(), 1);
        const FakeTokenEndpoint::Post& post = endpoint->posts[0];
        EXPECT_EQ(post.url, QStringLiteral("https://auth.example.jp/token"));
        EXPECT_EQ(post.value("grant_type"), QStringLiteral("authorization_code"));
        EXPECT_EQ(post.value("code"), QStringLiteral("c/1"));
        EXPECT_EQ(post.value("client_secret"), QStringLiteral("not-a-secret"));
        EXPECT_EQ(post.value("redirect_uri"), queryValue(shown, "redirect_uri"));
        EXPECT_EQ(Pkce::challenge(post.value("code_verifier")), queryValue(shown, "code_challenge"));
        EXPECT_EQ(browser.pages().value(0).first, 200);
    }
}

TEST(Pkce, challengeIsTheVerifiersSha256InBase64Url) {
    // RFC 7636 appendix B.
    EXPECT_EQ(Pkce::challenge(QStringLiteral("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk")),
              QStringLiteral("E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM"));
    const QString verifier = Pkce::newVerifier();
    EXPECT_EQ(verifier.size(), 43);
    EXPECT_NE(verifier, Pkce::newVerifier());
    for (const QChar c : verifier)
        EXPECT_TRUE(c.isLetterOrNumber() || c == u'-' || c == u'_') << int(c.unicode());
}
