#pragma once

#include <QHash>
#include <QString>

#include "oauth/oauthprovider.h"
#include "text/result.h"

struct OAuthRegistration {
    QString clientId;
    QString clientSecret; // empty unless the provider gave one
};

// The OAuth client this copy of the program signs in as with each provider.
// A desktop program's client is registered by whoever distributes it (the
// README says how): from "oauth-clients.ini" in the application folder, a
// section per provider ("[google]") with "client_id" and "client_secret",
// else the one built in (CMake options FENNICK_GOOGLE_CLIENT_ID, ...).
class OAuthClients {
  public:
    static inline const QString kFileName = QStringLiteral("oauth-clients.ini");

    explicit OAuthClients(QString file, QHash<QString, OAuthRegistration> builtIn = builtInRegistrations());
    static QHash<QString, OAuthRegistration> builtInRegistrations();

    // Fails, saying where the client ID goes, when there is none.
    Result<OAuthRegistration> registration(const OAuthProvider& provider) const;

  private:
    QString file_;
    QHash<QString, OAuthRegistration> builtIn_;
};
