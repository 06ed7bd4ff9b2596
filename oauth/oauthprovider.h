#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

using QueryItems = QList<QPair<QString, QString>>;

// A mail provider one signs in with: its OAuth 2.0 endpoints and scopes,
// what else its authorization request needs, and its mail servers as the
// server window writes them.
struct OAuthProvider {
    QString id; // "google"
    QString name;
    QString authorizationUrl;
    QString tokenUrl;
    QString scope;
    QueryItems extraParameters;
    QString pop3Server;
    QString smtpServer;
};

// The providers with presets, in the order the sign-in window offers them.
const QList<OAuthProvider>& OAuthProviders();
std::optional<OAuthProvider> FindOAuthProvider(const QString& id);

// The provider whose endpoints the user types in.
inline const QString kCustomProvider = QStringLiteral("custom");
