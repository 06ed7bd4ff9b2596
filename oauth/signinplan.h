#pragma once

#include <optional>

#include "oauth/oauthclients.h"
#include "oauth/oauthprovider.h"
#include "settings/appsettings.h"
#include "settings/tokenstore.h"
#include "store/apppaths.h"

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

    // After the sign-in: the tokens are stored, the account's ID becomes the
    // address signed in with (its password stays, for a return to it), and
    // with a preset the servers and the address become the provider's with
    // APOP off, in the files and in this run's settings.
    Status keep(const OAuthTokens& tokens, const AppPaths& paths, const QString& serverSettingsFile,
                AppSettings& settings) const;
};
