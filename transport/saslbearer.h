#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The SASL mechanisms that carry an OAuth 2.0 bearer token instead of a
// password: OAUTHBEARER (RFC 7628) and the older XOAUTH2 of Google and
// Microsoft, which Microsoft's servers still offer alone.
namespace SaslBearer {

enum class Mechanism { OAuthBearer, XOAuth2 };

// The mechanism to use of those offered (the words of a "SASL ..." POP3
// capability or an "AUTH ..." EHLO line), the standard one first.
std::optional<Mechanism> choose(const QList<QByteArray>& offered);
QByteArray name(Mechanism mechanism);
// The client's one message, before base64.
QByteArray initialResponse(Mechanism mechanism, const QString& user, const QString& token,
                           const QString& host, int port);
// The answer to a server's error challenge, after which the server ends the
// exchange with its failure reply: a single 0x01 (RFC 7628 section 3.2.3), or
// for XOAUTH2 an empty response.
QByteArray errorAcknowledgement(Mechanism mechanism);
// The "status" of an error challenge ({"status":"invalid_token",...}, base64),
// or empty when there is none.
QString challengeStatus(const QByteArray& challengeBase64);

} // namespace SaslBearer
