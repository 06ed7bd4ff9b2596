#include "app/receiveaction.h"

#include <QApplication>
#include <QLineEdit>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "receive/mailcheck.h"
#include "settings/idpassform.h"
#include "transport/mailbox.h"
#include "ui/appcontext.h"
#include "ui/prompternotifier.h"

ReceiveAction::ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form,
                             MailboxFactory mailboxes)
    : context_(context), windows_(windows), form_(form), mailboxes_(std::move(mailboxes)) {}

namespace {

// A message box during the check is answered with the normal pointer.
class CursorFreeNotifier : public UserNotifier {
  public:
    explicit CursorFreeNotifier(UserNotifier& inner) : inner_(inner) {}
    void notify(const QString& text, const QString& title) override {
        QApplication::restoreOverrideCursor();
        inner_.notify(text, title);
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }

  private:
    UserNotifier& inner_;
};

} // namespace

void ReceiveAction::run() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrompterNotifier boxes(*context_.prompter, &form_);
    CursorFreeNotifier notifier(boxes);
    std::unique_ptr<Mailbox> mailbox = mailboxes_();
    MailCheckHooks hooks;
    hooks.setStatus = [this](const QString& text) {
        form_.Text1->setText(text);
        form_.Text1->repaint(); // the check runs inside the click; show progress now
    };
    hooks.accountLoaded = [this](const Account& account) {
        IdPassForm* w = windows_.accountWindow();
        w->IdText->setText(account.id);
        w->PassText->setText(account.password);
    };
    hooks.openAccountWindow = [this] { windows_.openAccount(); };
    hooks.openServerWindow = [this] { windows_.openServers(); };
    hooks.received = [this](const LastReceived& last) { windows_.showReceived(last); };
    MailCheck check(context_.paths, context_.settings, *mailbox, notifier, hooks);
    struct CursorGuard {
        ~CursorGuard() { QApplication::restoreOverrideCursor(); }
    } guard;
    check.CheckMail();
}
