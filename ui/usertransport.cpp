#include "ui/usertransport.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"

namespace {

// A Yes/No question of a connection, put to the user in a message box.
// Asked from a worker thread (a send, a check), the window thread shows it
// while the worker waits for the answer. A worker asked to stop (its window
// is closing and waits for it) stops waiting and takes it as a No; the
// question is then withdrawn and never shown.
std::function<bool(const MailError&)> askUser(Prompter* prompter) {
    return [prompter](const MailError& problem) {
        const auto ask = [prompter, problem] {
            return prompter->message(nullptr, QuestionText(problem), QStringLiteral("確認"),
                                     Prompter::Icon::Warning, Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
        };
        QCoreApplication* app = QCoreApplication::instance();
        QThread* const worker = QThread::currentThread();
        if (worker == app->thread())
            return ask();
        struct Pending {
            std::mutex mutex;
            std::condition_variable answered;
            std::optional<bool> yes;
            bool withdrawn = false;
        };
        const auto pending = std::make_shared<Pending>();
        QMetaObject::invokeMethod(
            app,
            [pending, ask] {
                {
                    const std::lock_guard lock(pending->mutex);
                    if (pending->withdrawn)
                        return;
                }
                const bool yes = ask();
                const std::lock_guard lock(pending->mutex);
                pending->yes = yes;
                pending->answered.notify_all();
            },
            Qt::QueuedConnection);
        std::unique_lock lock(pending->mutex);
        while (!pending->yes) {
            if (worker->isInterruptionRequested()) {
                pending->withdrawn = true;
                return false;
            }
            pending->answered.wait_for(lock, std::chrono::milliseconds(50));
        }
        return *pending->yes;
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
