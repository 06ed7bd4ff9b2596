// From the sign-in window's choice to the client signed in as, and what a
// finished sign-in leaves in the files and the settings of the run.
#include <QFile>
#include <gtest/gtest.h>
#include <optional>

#include "oauth/signinplan.h"
#include "settings/accountfile.h"
#include "tests/support/tempfolder.h"

TEST(SignInPlan, theProvidersClientComesFromTheApplicationFolderElseFromTheBuild) {
    const QHash<QString, OAuthRegistration> built{
        {QStringLiteral("microsoft"), {QStringLiteral("built-ms"), QString()}},
        {QStringLiteral("google"), {QStringLiteral("built-google"), QStringLiteral("built-secret")}}};
    struct Row {
        const char* name;
        QByteArray clientsFile; // oauth-clients.ini
        SignInChoice choice;
        OAuthClient client; // or
        std::optional<Error::Kind> error;
    };
    const OAuthClient typed{kCustomProvider,
                            QStringLiteral("https://id.example.jp/auth"),
                            QStringLiteral("https://id.example.jp/token"),
                            QStringLiteral("mail"),
                            QStringLiteral("typed-id"),
                            QString()};
    const Row rows[] = {
        {"google-client-of-the-application-folder-wins",
         "[google]\r\nclient_id=file-id\r\nclient_secret=file-s\r\n",
         {QStringLiteral("google"), QStringLiteral(" taro@gmail.com "), {}},
         {QStringLiteral("google"), QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"),
          QStringLiteral("https://oauth2.googleapis.com/token"), QStringLiteral("https://mail.google.com/"),
          QStringLiteral("file-id"), QStringLiteral("file-s")},
         std::nullopt},
        {"microsoft-client-built-in",
         "[google]\r\nclient_id=file-id\r\n",
         {QStringLiteral("microsoft"), QStringLiteral("taro@outlook.jp"), {}},
         {QStringLiteral("microsoft"),
          QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize"),
          QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token"),
          QStringLiteral(
              "https://outlook.office.com/POP.AccessAsUser.All https://outlook.office.com/SMTP.Send "
              "offline_access"),
          QStringLiteral("built-ms"), QString()},
         std::nullopt},
        {"custom-endpoints-as-typed",
         "",
         {kCustomProvider, QStringLiteral("taro@example.jp"), typed},
         typed,
         std::nullopt},
        {"custom-without-its-token-url",
         "",
         {kCustomProvider,
          QStringLiteral("taro@example.jp"),
          {{}, typed.authorizationUrl, {}, {}, typed.clientId, {}}},
         {},
         Error::Kind::CustomProviderIncomplete},
        {"no-address-to-sign-in-with",
         "",
         {QStringLiteral("google"), QStringLiteral("  "), {}},
         {},
         Error::Kind::NoSignInAddress},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder folder;
        const QString file = folder.path() + QStringLiteral("/oauth-clients.ini");
        WriteBytes(file, row.clientsFile);
        const Result<SignInPlan> plan = SignInPlan::make(row.choice, OAuthClients(file, built));
        if (row.error) {
            ASSERT_FALSE(plan.ok());
            EXPECT_EQ(plan.error().kind, *row.error);
            continue;
        }
        ASSERT_TRUE(plan.ok()) << plan.error();
        EXPECT_EQ(plan->client, row.client);
        EXPECT_EQ(plan->user, row.choice.address.trimmed());
    }
    const Result<SignInPlan> unregistered =
        SignInPlan::make({QStringLiteral("google"), QStringLiteral("taro@gmail.com"), {}},
                         OAuthClients(QStringLiteral("/none"), {}));
    ASSERT_FALSE(unregistered.ok());
    EXPECT_EQ(unregistered.error(), (Error{.kind = Error::Kind::NoClientId,
                                           .name = QStringLiteral("Google (Gmail)"),
                                           .path = QStringLiteral("oauth-clients.ini"),
                                           .detail = QStringLiteral("google")}));
}

TEST(SignInPlan, aFinishedSignInStoresTheTokensAndWithAPresetTheProvidersServers) {
    struct Row {
        const char* name;
        QString provider;
        QByteArray orvex; // afterwards
    };
    const Row rows[] = {
        {"google-preset", QStringLiteral("google"),
         "SMTP=smtp.gmail.com:465\r\nPOP3=pop.gmail.com:995\r\nMAIL=taro@example.jp\r\nAPOP=0\r\n"},
        {"microsoft-preset", QStringLiteral("microsoft"),
         "SMTP=smtp-mail.outlook.com:587\r\nPOP3=outlook.office365.com:995\r\nMAIL=taro@example.jp\r\nAPOP="
         "0\r\n"},
        {"custom-keeps-the-servers", kCustomProvider,
         "SMTP=mail.example.jp\r\nPOP3=mail.example.jp\r\nMAIL=old@example.jp\r\nAPOP=1\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder app;
        const AppPaths paths(app.path());
        ASSERT_TRUE(paths.ensureLayout().ok());
        const QString orvex = app.path() + QStringLiteral("/orvex.ini");
        WriteBytes(paths.accountFile(), "[EXEINI]\r\nNAME=old\r\nNAME2=password\r\nNAME3=1\r\n");
        AppSettings settings;
        settings.servers = {QStringLiteral("mail.example.jp"), QStringLiteral("mail.example.jp"),
                            QStringLiteral("old@example.jp"), 1};
        ASSERT_TRUE(settings.servers.write(orvex).ok());
        SignInPlan plan;
        plan.user = QStringLiteral("taro@example.jp");
        plan.client = {row.provider,        {}, QStringLiteral("https://auth.example.jp/token"), {},
                       QStringLiteral("c"), {}};
        plan.preset = FindOAuthProvider(row.provider);
        const OAuthTokens tokens{QStringLiteral("r1"), QStringLiteral("a1"), {}};
        ASSERT_TRUE(plan.keep(tokens, paths, orvex, settings).ok());
        const AccountFile account(paths.accountFile());
        EXPECT_EQ(account.load(),
                  (Account{QStringLiteral("taro@example.jp"), QStringLiteral("password"), true}));
        EXPECT_EQ(TokenStore(account.tokenStoreFile()).load(), (OAuthSignIn{plan.user, plan.client, tokens}));
        EXPECT_EQ(ReadBytes(orvex), row.orvex);
        EXPECT_EQ(settings.servers, ServerSettings::read(orvex));
        EXPECT_EQ(settings.AccountId, QStringLiteral("taro@example.jp"));
    }
}
