#include "ui/usertransport.h"

#include <QCoreApplication>
#include <QThread>

#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"

namespace {

// A Yes/No question of a connection, put to the user in a message box.
// Asked from a worker thread (a send, a check), the window thread shows it
// while the worker waits for the answer.
std::function<bool(const MailError&)> askUser(Prompter* prompter) {
    return [prompter](const MailError& problem) {
        bool yes = false;
        const auto ask = [&] {
            yes =
                prompter->message(nullptr, QuestionText(problem), QStringLiteral("確認"),
                                  Prompter::Icon::Warning, Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
        };
        QCoreApplication* app = QCoreApplication::instance();
        if (QThread::currentThread() == app->thread())
            ask();
        else
            QMetaObject::invokeMethod(app, ask, Qt::BlockingQueuedConnection);
        return yes;
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
