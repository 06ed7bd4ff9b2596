#include "ui/usertransport.h"

#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
#include "text/backgroundtask.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"

namespace {

// A Yes/No question of a connection, put to the user in a message box.
// Asked from a background job (a send, a check), the window thread shows it
// while the job waits for the answer. A job cancelled meanwhile (its window
// is closing) takes it as a No; a question not yet shown is withdrawn.
std::function<bool(const Error&)> askUser(Prompter* prompter) {
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

} // namespace

CertificateTrust UserCertificateTrust(const AppContext& context) {
    return CertificateTrust(context.paths.dataFile(CertificateTrust::kFileName), askUser(context.prompter));
}

TlsPolicy UserTlsPolicy(const AppContext& context) {
    return TlsPolicy(context.paths.dataFile(TlsPolicy::kFileName), askUser(context.prompter));
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
