#include "tests/support/testsignin.h"

#include <gtest/gtest.h>

#include "oauth/signinflow.h"
#include "tests/support/testbrowser.h"
#include "text/canceltoken.h"

OAuthSignIn SignInAtTestServer(const TestAccount& account, const QString& storeFile) {
    const OAuthClient client{QStringLiteral("custom"),
                             TestMailServers::oauthServer() + QStringLiteral("/authorize"),
                             TestMailServers::oauthServer() + QStringLiteral("/token"),
                             QStringLiteral("mail"),
                             QStringLiteral("fennick-tests"),
                             {}};
    TestBrowser browser;
    const CancelToken cancelled;
    const Result<OAuthTokens> tokens =
        SignInFlow(client, account.name, {}, std::make_shared<HttpsTokenEndpoint>())
            .run([&](const QUrl& url) { browser.open(url); }, cancelled);
    EXPECT_TRUE(tokens.ok()) << tokens.error().debugText().toStdString();
    const OAuthSignIn signedIn{account.name, client, tokens.ok() ? *tokens : OAuthTokens{}};
    EXPECT_TRUE(TokenStore(storeFile).save(signedIn).ok());
    return signedIn;
}
