#pragma once

#include <QString>

#include "text/result.h"

// OAuth 2.0 access tokens for a session that logs in with one instead of a
// password. Called on the session's thread; the tokens may have to be
// fetched from the provider first, which takes a round trip.
class BearerTokenSource {
  public:
    virtual ~BearerTokenSource() = default;
    // A token still believed valid (renewed first when it has expired), or
    // why there is none.
    virtual Result<QString> accessToken() = 0;
    // A new token, after a server refused the one it was given.
    virtual Result<QString> renewedAccessToken() = 0;
};
