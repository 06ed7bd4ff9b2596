// From the sign-in window's choice to the client signed in as, and what a
// finished sign-in of the first or a further account leaves in the files
// and the settings of the run.
#include <QFile>
#include <QHash>
#include <gtest/gtest.h>
#include <optional>

#include "oauth/signinplan.h"
#include "settings/accountfile.h"
#include "store/apppaths.h"
#include "tests/support/tempfolder.h"
#include "tests/support/unreadablekeyring.h"

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

TEST(SignInPlan, aFinishedSignInIsKeptWithTheAccountSignedInAndLeavesEveryOtherFileAsItWas) {
    using Becomes = std::function<void(AccountProfile & first, AccountProfile & further)>;
    const QString user = QStringLiteral("taro@example.jp");
    const auto signedIn = [user](AccountProfile& a) {
        a.loginId = user;
        a.signedIn = true;
    };
    struct Row {
        const char* name;
        bool further; // else the first account signs in
        QString provider;
        bool keyringUnreadable;
        QStringList changed; // every other file stays byte for byte
        Becomes becomes;
        std::optional<Error::Kind> error;
    };
    const Row rows[] = {
        {"first-account-google-preset",
         false,
         QStringLiteral("google"),
         false,
         {QStringLiteral("orvex.ini"), QStringLiteral("iniIdPass.ini"), QStringLiteral("oauth2-signin")},
         [&](AccountProfile& first, AccountProfile&) {
             signedIn(first);
             first.pop3Server = QStringLiteral("pop.gmail.com:995");
             first.smtpServer = QStringLiteral("smtp.gmail.com:465");
             first.address = user;
             first.apop = false;
         },
         std::nullopt},
        {"first-account-custom-keeps-its-servers",
         false,
         kCustomProvider,
         false,
         {QStringLiteral("iniIdPass.ini"), QStringLiteral("oauth2-signin")},
         [&](AccountProfile& first, AccountProfile&) { signedIn(first); },
         std::nullopt},
        {"further-account-microsoft-preset-drops-its-old-sending-login",
         true,
         QStringLiteral("microsoft"),
         false,
         {QStringLiteral("accounts"), QStringLiteral("oauth2-signin-0000002a")},
         [&](AccountProfile&, AccountProfile& further) {
             signedIn(further);
             further.pop3Server = QStringLiteral("outlook.office365.com:995");
             further.smtpServer = QStringLiteral("smtp-mail.outlook.com:587");
             further.address = user;
             further.apop = false;
             further.smtpLoginId.clear();
             further.smtpPassword.clear();
         },
         std::nullopt},
        {"further-account-custom-keeps-its-servers",
         true,
         kCustomProvider,
         false,
         {QStringLiteral("accounts"), QStringLiteral("oauth2-signin-0000002a")},
         [&](AccountProfile&, AccountProfile& further) { signedIn(further); },
         std::nullopt},
        {"further-account-whose-passwords-the-keyring-did-not-give",
         true,
         kCustomProvider,
         true,
         {},
         [](AccountProfile&, AccountProfile&) {},
         Error::Kind::KeyringRefused},
    };
    const QStringList files{QStringLiteral("orvex.ini"), QStringLiteral("iniIdPass.ini"),
                            QStringLiteral("accounts"), QStringLiteral("oauth2-signin"),
                            QStringLiteral("oauth2-signin-0000002a")};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder app;
        const AppPaths paths(app.path());
        ASSERT_TRUE(paths.ensureLayout().ok());
        const QString orvex =
            paths.dataFile(QStringLiteral("orvex.ini")); // beside the others, to compare them
        WriteBytes(orvex,
                   "SMTP=mail.example.jp\r\nPOP3=mail.example.jp\r\nMAIL=old@example.jp\r\nAPOP=1\r\n");
        WriteBytes(paths.accountFile(), "[EXEINI]\r\nNAME=old\r\nNAME2=password\r\nNAME3=1\r\n");
        const UnreadableKeyring keyring;
        const Accounts accounts(orvex, paths.accountFile(), row.keyringUnreadable ? &keyring : nullptr,
                                [] { return 0x2au; });
        AccountProfile work;
        work.loginId = QStringLiteral("work");
        work.password = QStringLiteral("wpw");
        work.address = QStringLiteral("work@work.example");
        work.pop3Server = QStringLiteral("pop.work.example");
        work.apop = true;
        work.smtpServer = QStringLiteral("smtp.work.example");
        work.smtpLoginId = QStringLiteral("work-out");
        work.smtpPassword = QStringLiteral("spw");
        ASSERT_TRUE(accounts.add(work).ok());
        const auto bytesOf = [&paths, &files] {
            QHash<QString, std::optional<QByteArray>> bytes;
            for (const QString& name : files) {
                QFile f(paths.dataFile(name));
                if (f.open(QIODevice::ReadOnly))
                    bytes[name] = f.readAll();
            }
            return bytes;
        };
        const auto before = bytesOf();
        const QList<AccountProfile> loaded = Accounts(orvex, paths.accountFile()).load().accounts;
        AccountProfile first = loaded.value(0), further = loaded.value(1);
        AppSettings settings;
        settings.servers = ServerSettings::read(orvex);
        settings.AccountId = first.loginId;

        SignInPlan plan;
        plan.user = user;
        plan.client = {row.provider,        {}, QStringLiteral("https://auth.example.jp/token"), {},
                       QStringLiteral("c"), {}};
        plan.preset = FindOAuthProvider(row.provider);
        const OAuthTokens tokens{QStringLiteral("r1"), QStringLiteral("a1"), {}};
        const QString key = row.further ? further.key : AccountProfile::kFirstKey;
        const Status kept = plan.keep(tokens, key, accounts, settings);

        const auto after = bytesOf();
        for (const QString& name : files)
            EXPECT_EQ(after.value(name) != before.value(name), row.changed.contains(name))
                << name.toStdString();
        if (row.error) {
            EXPECT_EQ(kept.error().kind, *row.error);
            continue;
        }
        ASSERT_TRUE(kept.ok()) << kept.error().debugText().toStdString();
        row.becomes(first, further);
        EXPECT_EQ(Accounts(orvex, paths.accountFile()).load().accounts,
                  (QList<AccountProfile>{first, further}));
        EXPECT_EQ(accounts.signInOf(key).load(), (OAuthSignIn{plan.user, plan.client, tokens}));
        EXPECT_EQ(settings.servers, ServerSettings::read(orvex))
            << "this run's servers are the first account's";
        EXPECT_EQ(settings.AccountId, first.loginId);
    }
}
