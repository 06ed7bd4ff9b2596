// The sign-in file: what counts as a sign-in, and that only its owner can read it.
#include <QFile>
#include <gtest/gtest.h>

#include "settings/tokenstore.h"
#include "tests/support/tempfolder.h"

TEST(TokenStore, onlyAWholeSignInIsOneAndTheFileIsTheOwnersAlone) {
    const TempFolder folder;
    const QString file = folder.path() + QStringLiteral("/oauth2-signin");
    const OAuthSignIn signIn{
        QStringLiteral("taro@example.jp"),
        {QStringLiteral("google"), QStringLiteral("https://a.example.jp/auth"),
         QStringLiteral("https://a.example.jp/token"), QStringLiteral("mail"), QStringLiteral("client"),
         QStringLiteral("secret")},
        {QStringLiteral("r"), QStringLiteral("a"), QDateTime(QDate(2024, 5, 1), QTime(9, 0), Qt::UTC)}};
    ASSERT_TRUE(TokenStore(file).save(signIn).ok());
    EXPECT_EQ(TokenStore(file).load(), signIn);
    EXPECT_EQ(QFile::permissions(file), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                            QFileDevice::ReadUser | QFileDevice::WriteUser);
    struct Row {
        const char* name;
        QByteArray content; // nothing: no file
        bool signedIn;
    };
    const Row rows[] = {
        {"no-file-is-a-password-account", {}, false},
        {"file-cut-short", R"({"refreshToken":"r","tokenUrl":"https://a.example.jp/tok)", false},
        {"no-refresh-token-to-renew-with", R"({"tokenUrl":"https://a.example.jp/token","clientId":"c"})",
         false},
        {"no-client-to-renew-as", R"({"refreshToken":"r","tokenUrl":"https://a.example.jp/token"})", false},
        {"refresh-token-and-client",
         R"({"refreshToken":"r","tokenUrl":"https://a.example.jp/token","clientId":"c"})", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(TokenStore(file).remove().ok());
        if (!row.content.isNull())
            WriteBytes(file, row.content);
        EXPECT_EQ(TokenStore(file).load().has_value(), row.signedIn);
    }
}
