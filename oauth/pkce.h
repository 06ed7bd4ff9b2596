#pragma once

// oauth/: signing in with a mail provider through the user's browser (OAuth
// 2.0), and the access tokens the mail sessions log in with.

#include <QString>

// Proof Key for Code Exchange (RFC 7636): only the program that asked for
// the authorization code can exchange it, even when another program on the
// machine catches the redirect.
namespace Pkce {

// 43 characters from 32 random bytes (RFC 7636 section 4.1).
QString newVerifier();
// S256: BASE64URL(SHA256(verifier)) without padding (section 4.2).
QString challenge(const QString& verifier);
// A random value that ties the redirect to the request (RFC 6749 section 10.12).
QString newState();

} // namespace Pkce
