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

Status SignInPlan::keep(const OAuthTokens& tokens, const QString& accountKey, const Accounts& accounts,
                        AppSettings& settings) const {
    std::optional<AccountProfile> further;
    if (accountKey != AccountProfile::kFirstKey) {
        // Found before anything is written: an account gone meanwhile keeps no sign-in.
        const Accounts::Loaded loaded = accounts.load();
        for (const AccountProfile& a : loaded.accounts)
            if (a.key == accountKey)
                further = a;
        if (!further)
            return Status::failure({.kind = Error::Kind::NoSuchAccount, .name = accountKey});
        // Its entry is written again with the passwords read: one the
        // keyring did not give would be lost.
        if (loaded.withoutPasswords.contains(accountKey))
            return Status::failure(*loaded.keyring);
    }
    if (Status s = accounts.signInOf(accountKey).save({user, client, tokens}); !s)
        return s;
    return further ? keepFurther(*further, accounts) : keepFirst(accounts, settings);
}

Status SignInPlan::keepFirst(const Accounts& accounts, AppSettings& settings) const {
    if (Status s = AccountFile(accounts.firstAccountFile()).setId(user); !s)
        return s;
    settings.AccountId = user;
    if (!preset)
        return {};
    settings.servers.Pop3Server = preset->pop3Server;
    settings.servers.SmtpServer = preset->smtpServer;
    settings.servers.MailAddress = user;
    settings.servers.UseApop = 0;
    return settings.servers.write(accounts.serverSettingsFile());
}

Status SignInPlan::keepFurther(AccountProfile account, const Accounts& accounts) const {
    account.loginId = user;
    if (preset) {
        account.pop3Server = preset->pop3Server;
        account.smtpServer = preset->smtpServer;
        account.address = user;
        account.apop = false;
        // The provider's SMTP server takes the sign-in, not a login kept
        // for the server the account sent through before.
        account.smtpLoginId.clear();
        account.smtpPassword.clear();
    }
    return accounts.edit(account);
}
