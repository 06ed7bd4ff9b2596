#include "oauth/oauthclients.h"

#include "settings/inifile.h"

OAuthClients::OAuthClients(QString file, QHash<QString, OAuthRegistration> builtIn)
    : file_(std::move(file)), builtIn_(std::move(builtIn)) {}

QHash<QString, OAuthRegistration> OAuthClients::builtInRegistrations() {
    return {
        {QStringLiteral("google"),
         {QStringLiteral(FENNICK_GOOGLE_CLIENT_ID), QStringLiteral(FENNICK_GOOGLE_CLIENT_SECRET)}},
        {QStringLiteral("microsoft"), {QStringLiteral(FENNICK_MICROSOFT_CLIENT_ID), QString()}},
    };
}

Result<OAuthRegistration> OAuthClients::registration(const OAuthProvider& provider) const {
    const IniFile ini(file_);
    const OAuthRegistration typed{ini.read(provider.id, QStringLiteral("client_id")).trimmed(),
                                  ini.read(provider.id, QStringLiteral("client_secret")).trimmed()};
    if (!typed.clientId.isEmpty())
        return typed;
    if (const OAuthRegistration built = builtIn_.value(provider.id); !built.clientId.isEmpty())
        return built;
    return Result<OAuthRegistration>::failure(
        QStringLiteral(
            "%1 に登録した OAuth クライアント ID がありません。\n"
            "アプリケーションフォルダーの %2 に\n[%3]\nclient_id=（登録した ID）\n"
            "と書いてください。登録のしかたは README の「Gmail と Microsoft でサインインする」にあります。")
            .arg(provider.name, kFileName, provider.id));
}
