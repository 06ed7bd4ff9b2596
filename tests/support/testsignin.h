#pragma once

#include "settings/tokenstore.h"
#include "tests/support/mailservers.h"

// Signs `account` in with the test authorization server, as a user whose
// browser follows the sign-in would, and keeps the sign-in in `storeFile`.
// Fails the current test when that does not work.
OAuthSignIn SignInAtTestServer(const TestAccount& account, const QString& storeFile);
