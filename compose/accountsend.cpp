#include "compose/accountsend.h"

AccountSend::AccountSend(AppPaths paths, AccountsThisRun accounts, QString key, SenderFor senderFor)
    : paths_(std::move(paths)), accounts_(std::move(accounts)), key_(std::move(key)),
      senderFor_(std::move(senderFor)) {}

SendReport AccountSend::run(SendRequest request) const {
    const Result<AccountProfile> account = accounts_.find(key_);
    if (!account) {
        SendReport report;
        report.sendToAll = request.sendToAll;
        report.refusal = account.error();
        return report;
    }
    request.smtpServer = account->smtpServer;
    request.sender = account->address;
    return MailSend(paths_, senderFor_(*account)).run(request);
}
