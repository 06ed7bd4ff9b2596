#include "oauth/signinplan.h"

#include "settings/accountfile.h"

Result<SignInPlan> SignInPlan::make(const SignInChoice& choice, const OAuthClients& clients) {
    using R = Result<SignInPlan>;
    SignInPlan plan;
    plan.user = choice.address.trimmed();
    if (plan.user.isEmpty())
        return R::failure({.kind = Error::Kind::NoSignInAddress});
    if (choice.provider == kCustomProvider) {
        plan.client = choice.custom;
        plan.client.provider = kCustomProvider;
        if (plan.client.authorizationUrl.trimmed().isEmpty() || plan.client.tokenUrl.trimmed().isEmpty() ||
            plan.client.clientId.trimmed().isEmpty())
            return R::failure({.kind = Error::Kind::CustomProviderIncomplete});
        return plan;
    }
    plan.preset = FindOAuthProvider(choice.provider);
    if (!plan.preset)
        return R::failure({.kind = Error::Kind::UnknownProvider, .name = choice.provider});
    const Result<OAuthRegistration> registered = clients.registration(*plan.preset);
    if (!registered)
        return R::failure(registered.error());
    plan.client = {plan.preset->id,    plan.preset->authorizationUrl, plan.preset->tokenUrl,
                   plan.preset->scope, registered->clientId,          registered->clientSecret};
    plan.extraParameters = plan.preset->extraParameters;
    return plan;
}

Status SignInPlan::keep(const OAuthTokens& tokens, const AppPaths& paths, const QString& serverSettingsFile,
                        AppSettings& settings) const {
    const AccountFile account(paths.accountFile());
    if (Status s = TokenStore(account.tokenStoreFile()).save({user, client, tokens}); !s)
        return s;
    if (Status s = account.setId(user); !s)
        return s;
    settings.AccountId = user;
    if (!preset)
        return {};
    settings.servers.Pop3Server = preset->pop3Server;
    settings.servers.SmtpServer = preset->smtpServer;
    settings.servers.MailAddress = user;
    settings.servers.UseApop = 0;
    return settings.servers.write(serverSettingsFile);
}
