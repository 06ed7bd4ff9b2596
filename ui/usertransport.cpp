#include "ui/usertransport.h"

#include "oauth/accesstokens.h"
#include "text/backgroundtask.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"

// A job cancelled while it waits for the answer (its window is closing)
// takes it as a No; a question not yet shown is withdrawn.
ConnectionQuestion AskUser(Prompter* prompter) {
    return [prompter](const Error& problem) {
        const auto ask = [prompter, problem] {
            return prompter->message(nullptr, QuestionText(problem), QStringLiteral("確認"),
                                     Prompter::Icon::Warning,
                                     Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
        };
        if (BackgroundTask::Job* job = BackgroundTask::Job::current())
            return job->ask<bool>(ask).value_or(false);
        return ask();
    };
}

CertificateTrust UserCertificateTrust(const AppContext& context) {
    return UserCertificateTrust(context, AskUser(context.prompter));
}

CertificateTrust UserCertificateTrust(const AppContext& context, ConnectionQuestion ask) {
    return CertificateTrust(context.paths.dataFile(CertificateTrust::kFileName), std::move(ask));
}

TlsPolicy UserTlsPolicy(const AppContext& context) {
    return UserTlsPolicy(context, AskUser(context.prompter));
}

TlsPolicy UserTlsPolicy(const AppContext& context, ConnectionQuestion ask) {
    return TlsPolicy(context.paths.dataFile(TlsPolicy::kFileName), std::move(ask));
}

std::function<std::shared_ptr<const MailSender>(const AccountProfile&)>
UserSmtpSenders(const AppContext& context) {
    return [trust = UserCertificateTrust(context), policy = UserTlsPolicy(context),
            accounts = context.accounts()](const AccountProfile& account) {
        SmtpLogin login{account.smtpLoginId, account.smtpPassword};
        if (login.id.isEmpty())
            login = {account.loginId, account.password, AccessTokens::forAccount(accounts.signInOf(account))};
        return std::make_shared<const SmtpSender>(SmtpSender::Options{{}, login}, trust, policy);
    };
}
