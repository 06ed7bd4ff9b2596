#include "oauth/oauthprovider.h"

const QList<OAuthProvider>& OAuthProviders() {
    static const QList<OAuthProvider> providers{
        // A refresh token only with offline access, and a new one only when
        // the user is asked again: a sign-in after a revocation needs one.
        {QStringLiteral("google"),
         QStringLiteral("Google (Gmail)"),
         QStringLiteral("https://accounts.google.com/o/oauth2/v2/auth"),
         QStringLiteral("https://oauth2.googleapis.com/token"),
         QStringLiteral("https://mail.google.com/"),
         {{QStringLiteral("access_type"), QStringLiteral("offline")},
          {QStringLiteral("prompt"), QStringLiteral("consent")}},
         QStringLiteral("pop.gmail.com:995"),
         QStringLiteral("smtp.gmail.com:465")},
        // "common": personal and work or school accounts alike.
        {QStringLiteral("microsoft"),
         QStringLiteral("Microsoft (Outlook.com, Microsoft 365)"),
         QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/authorize"),
         QStringLiteral("https://login.microsoftonline.com/common/oauth2/v2.0/token"),
         QStringLiteral(
             "https://outlook.office.com/POP.AccessAsUser.All https://outlook.office.com/SMTP.Send "
             "offline_access"),
         {},
         QStringLiteral("outlook.office365.com:995"),
         QStringLiteral("smtp-mail.outlook.com:587")},
    };
    return providers;
}

std::optional<OAuthProvider> FindOAuthProvider(const QString& id) {
    for (const OAuthProvider& p : OAuthProviders())
        if (p.id == id)
            return p;
    return std::nullopt;
}
