#include "ui/usertransport.h"

#include <QCoreApplication>
#include <QThread>

#include "settings/accountfile.h"
#include "ui/appcontext.h"
#include "ui/prompter.h"

CertificateTrust UserCertificateTrust(const AppContext& context) {
    Prompter* prompter = context.prompter;
    return CertificateTrust(
        context.paths.dataFile(CertificateTrust::kFileName), [prompter](const QString& text) {
            bool trusted = false;
            const auto ask = [&] {
                trusted = prompter->message(nullptr, text, QStringLiteral("確認"), Prompter::Icon::Warning,
                                            Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
            };
            QCoreApplication* app = QCoreApplication::instance();
            if (QThread::currentThread() == app->thread())
                ask();
            else
                QMetaObject::invokeMethod(app, ask, Qt::BlockingQueuedConnection);
            return trusted;
        });
}

SmtpSender UserSmtpSender(const AppContext& context) {
    Account account{context.settings.AccountId, context.settings.AccountPassword};
    if (account.id.isEmpty())
        account = AccountFile(context.paths.accountFile()).load();
    return SmtpSender({{}, {account.id, account.password}}, UserCertificateTrust(context));
}
