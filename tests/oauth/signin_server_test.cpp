// Logging in with the tokens of a sign-in, against the test authorization
// server and the Dovecot and Postfix that take only its tokens. (The first
// sign-in and a check with it, through the program: SignedInCheck.)
#include <gtest/gtest.h>

#include "oauth/accesstokens.h"
#include "tests/support/errors.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testsignin.h"
#include "transport/pop3session.h"
#include "transport/smtpsender.h"

namespace {

class SignInServers : public testing::Test {
  protected:
    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
    }

    // The first sign-in; the server's token endpoint checks the PKCE verifier.
    OAuthSignIn signIn() { return SignInAtTestServer(account, store); }

    // A mail check's login with the stored sign-in.
    Result<int> logIn() {
        Pop3Session::Options options;
        options.bearer = AccessTokens::forAccount(TokenStore(store));
        Pop3Session pop(options, TestMailServers::trust());
        if (const Status connected = pop.connect(TestMailServers::pop3sOAuthServer()); !connected)
            return Result<int>::failure(connected.error());
        return pop.authenticate(account.name, {}, false);
    }

    TestAccount account;
    TempFolder folder;
    const QString store = folder.file(QStringLiteral("oauth2-signin"));
};

} // namespace

TEST_F(SignInServers, theTokenIsRenewedWhenExpiredOrRefusedAndARevokedSignInAsksForANewOne) {
    struct Row {
        const char* name;
        bool expiredHere;   // the stored token's time is up
        bool revokeAccess;  // the server no longer takes the stored token
        bool revokeRefresh; // nor renews with the refresh token
        int count;
        std::optional<Error::Kind> error = {};
    };
    const Row rows[] = {
        {"expired-token-renewed-before-the-login", true, false, false, 0},
        {"token-the-server-refuses-renewed-and-tried-again", false, true, false, 0},
        {"revoked-refresh-token-asks-for-a-new-sign-in", true, false, true, -1, Error::Kind::SignInExpired},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OAuthSignIn signedIn = signIn();
        if (row.expiredHere) {
            signedIn.tokens.expiresAt = QDateTime::currentDateTimeUtc().addSecs(-10);
            ASSERT_TRUE(TokenStore(store).save(signedIn).ok());
        }
        if (row.revokeAccess)
            TestMailServers::revokeToken(signedIn.tokens.accessToken);
        if (row.revokeRefresh)
            TestMailServers::revokeToken(signedIn.tokens.refreshToken);
        const Result<int> count = logIn();
        EXPECT_EQ(countOf(count), row.count);
        EXPECT_EQ(count ? std::optional<Error::Kind>() : count.error().kind, row.error);
        const OAuthTokens kept = TokenStore(store).load()->tokens;
        EXPECT_EQ(kept.accessToken != signedIn.tokens.accessToken, row.count >= 0);
    }
}

TEST_F(SignInServers, aSendLogsInWithTheTokenAndARefusedOneIsRenewedOnce) {
    struct Row {
        const char* name;
        bool revokeAccess;
        bool revokeRefresh;
        std::optional<Error::Kind> error; // none: delivered
    };
    const Row rows[] = {
        {"send-with-the-token", false, false, {}},
        {"token-the-server-refuses-renewed-and-sent-again", true, false, {}},
        {"refused-token-and-revoked-sign-in-send-nothing", true, true, Error::Kind::SignInExpired},
    };
    int delivered = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const OAuthSignIn signedIn = signIn();
        if (row.revokeAccess)
            TestMailServers::revokeToken(signedIn.tokens.accessToken);
        if (row.revokeRefresh)
            TestMailServers::revokeToken(signedIn.tokens.refreshToken);
        const QString from = QStringLiteral("%1-%2@fennick.test").arg(QLatin1String(row.name), account.name);
        const SmtpSender sender({{}, {account.name, {}, AccessTokens::forAccount(TokenStore(store))}},
                                TestMailServers::trust());
        const MailOutcome sent =
            sender.send(TestMailServers::submissionOAuthServer(),
                        {account.address, from, QStringLiteral("件名"), QStringLiteral("本文"), {}});
        if (row.error) {
            ASSERT_FALSE(sent.ok());
            EXPECT_EQ(sent.error().kind, *row.error) << testing::PrintToString(sent.error());
            continue;
        }
        ASSERT_TRUE(sent.ok()) << testing::PrintToString(sent.error());
        EXPECT_TRUE(TestMailServers::waitForMessages(account, ++delivered));
        EXPECT_EQ(TestMailServers::smtpSession(from).mechanism, QStringLiteral("OAUTHBEARER"));
    }
    EXPECT_EQ(TestMailServers::waitingMessages(account), 2);
}
