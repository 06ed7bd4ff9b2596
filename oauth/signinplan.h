#pragma once

#include <optional>

#include "oauth/oauthclients.h"
#include "oauth/oauthprovider.h"
#include "settings/accounts.h"
#include "settings/appsettings.h"
#include "settings/tokenstore.h"

// What the sign-in window asks for, as typed.
struct SignInChoice {
    QString provider;   // an id of OAuthProviders(), or kCustomProvider
    QString address;    // the account's login name, given to the provider as a hint
    OAuthClient custom; // for kCustomProvider: the endpoints, scope and client typed in
};

// Everything a sign-in needs, made from the choice and the clients
// registered for this copy of the program.
struct SignInPlan {
    OAuthClient client;
    QString user;
    QueryItems extraParameters;
    std::optional<OAuthProvider> preset; // its servers go into the settings

    // Fails with what is missing.
    static Result<SignInPlan> make(const SignInChoice& choice, const OAuthClients& clients);

    // After the sign-in of the account under `accountKey`: the tokens go
    // where that account's sign-in is kept (Accounts::signInOf), its login
    // becomes the address signed in with (its password stays, for a return
    // to it), and with a preset its servers and address become the
    // provider's with APOP off. The first account's live in its old files
    // and this run's settings; a further account's in its entry, the first
    // account's files left as they are.
    Status keep(const OAuthTokens& tokens, const QString& accountKey, const Accounts& accounts,
                AppSettings& settings) const;

  private:
    Status keepFirst(const Accounts& accounts, AppSettings& settings) const;
    Status keepFurther(AccountProfile account, const Accounts& accounts) const;
};
