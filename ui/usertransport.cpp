#include "ui/usertransport.h"

#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
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

SmtpSender UserSmtpSender(const AppContext& context) {
    Account account{context.settings.AccountId, context.settings.AccountPassword};
    if (account.id.isEmpty())
        account = AccountFile(context.paths.accountFile()).load();
    // An account signed in through its provider logs in with its tokens.
    const auto bearer = AccessTokens::forAccount(AccountFile(context.paths.accountFile()).tokenStoreFile());
    return SmtpSender({{}, {account.id, account.password, bearer}}, UserCertificateTrust(context),
                      UserTlsPolicy(context));
}
