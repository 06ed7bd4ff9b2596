#include "app/receiveaction.h"

#include <QLineEdit>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "settings/idpassform.h"
#include "transport/mailbox.h"
#include "ui/appcontext.h"

ReceiveAction::ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form,
                             MailboxFactory mailboxes)
    : context_(context), windows_(windows), form_(form), mailboxes_(std::move(mailboxes)),
      notifier_(*context.prompter, &form),
      checks_(std::make_unique<MailCheckThread>(notifier_, windowHooks(), [this](const MailCheck::Outcome&) {
          form_.showBusy(false);
          form_.showProgress(0, 0);
      })) {}

ReceiveAction::~ReceiveAction() = default;

MailCheckHooks ReceiveAction::windowHooks() {
    MailCheckHooks hooks;
    hooks.setStatus = [this](const QString& text) { form_.Text1->setText(text); };
    hooks.accountLoaded = [this](const Account& account) {
        IdPassForm* w = windows_.accountWindow();
        w->IdText->setText(account.id);
        w->PassText->setText(account.password);
        context_.settings.AccountId = account.id;
        context_.settings.AccountPassword = account.password;
    };
    hooks.openAccountWindow = [this] { windows_.openAccount(); };
    hooks.openServerWindow = [this] { windows_.openServers(); };
    hooks.received = [this](const LastReceived& last) { windows_.showReceived(last); };
    // A few messages come in at once; more are counted where the user can see.
    hooks.progress = [this](int n, int count) {
        if (count > kCountedFrom)
            form_.showProgress(n, count);
    };
    return hooks;
}

void ReceiveAction::run() {
    // The check gets this run's settings as they are now; it changes none.
    if (checks_->start(context_.paths, context_.settings, mailboxes_))
        form_.showBusy(true);
}
