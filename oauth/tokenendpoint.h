#pragma once

#include <QByteArray>
#include <QDateTime>
#include <chrono>
#include <optional>

#include "oauth/oauthprovider.h"
#include "settings/tokenstore.h"
#include "text/error.h"
#include "text/result.h"

// A form body or query, every value percent-encoded but the unreserved
// characters (RFC 3986), so that a "+" in an address stays a "+".
QByteArray FormEncoded(const QueryItems& items);

struct HttpReply {
    int status = 0;
    QByteArray body;
};

// A provider's token endpoint (RFC 6749 section 3.2): a form goes in, JSON
// comes back.
class TokenEndpoint {
  public:
    virtual ~TokenEndpoint() = default;
    // The reply whatever its status, or why none came.
    virtual Result<HttpReply> post(const QString& url, const QueryItems& form) = 0;
};

// Over Qt's network access, blocking, on a thread of a background job (it
// waits in an event loop of its own, and stops within a slice once the job
// is cancelled): https only, except to this machine itself; redirects are
// not followed; the system's certificate checks, no question to the user.
class HttpsTokenEndpoint : public TokenEndpoint {
  public:
    explicit HttpsTokenEndpoint(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    Result<HttpReply> post(const QString& url, const QueryItems& form) override;

  private:
    std::chrono::milliseconds timeout_;
};

// What a token endpoint's reply means (RFC 6749 sections 5.1 and 5.2).
struct TokenAnswer {
    // Without a refresh token when the provider keeps the one it gave before.
    std::optional<OAuthTokens> tokens;
    // The grant is no good any more (revoked, expired, another client's), or
    // the provider no longer takes the client: only a new sign-in helps.
    bool refused = false;
    // Without tokens: NoAccessToken, TokenNotIssued, TokenServerBusy, TokenServerUnreadable.
    Error error = {};

    static TokenAnswer read(const HttpReply& reply, const QDateTime& now);
};
