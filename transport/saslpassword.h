#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The SASL mechanisms that log in with an ID and a password: CRAM-MD5
// (RFC 2195), whose answer to the server's challenge never carries the
// password itself, and PLAIN (RFC 4616) and LOGIN, which do. DIGEST-MD5 is
// left out: RFC 6331 made it historic, and servers have dropped it.
namespace SaslPassword {

enum class Mechanism { CramMd5, Plain, Login };

// The mechanism to use of those offered (the words of an "AUTH ..." EHLO
// line), CRAM-MD5 first, LOGIN only when nothing better is there.
std::optional<Mechanism> choose(const QList<QByteArray>& offered);
QByteArray name(Mechanism mechanism);
// PLAIN's one message, before base64: no authorization identity, the ID, the password.
QByteArray plainMessage(const QString& id, const QString& password);
// CRAM-MD5's answer to `challenge` (decoded), before base64: the ID and the
// HMAC-MD5 of the challenge keyed with the password, in lower-case hex.
QByteArray cramMd5Answer(const QString& id, const QString& password, const QByteArray& challenge);

} // namespace SaslPassword
