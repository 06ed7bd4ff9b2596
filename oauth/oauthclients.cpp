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
        {.kind = Error::Kind::NoClientId, .name = provider.name, .path = kFileName, .detail = provider.id});
}
