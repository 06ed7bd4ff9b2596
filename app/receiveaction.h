#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "receive/mailcheckthread.h"
#include "ui/usertransport.h"

class AppWindows;
class MainForm;
struct AppContext;

// Who started a check: the user (the receive label, the tray's 受信, a
// notice clicked) or the timer.
enum class CheckTrigger { User, Timer };

// The receive label: starts the mail check on its worker thread and shows
// the wait cursor over the main window until it ends. A press while a check
// runs does nothing. The check's status texts go to the main window's status
// box, the account it reads to the account window and the settings of this
// run, each message received to the history window; what went wrong is
// shown in message boxes, in order, once the check has ended.
//
// A check the timer started pops nothing up: a question it meets (a
// certificate, a login in clear) is answered No and kept, a missing
// account or server opens no window, and its errors go out with its end,
// for a notice.
class ReceiveAction {
  public:
    // Called on the job's thread, with the way its connection asks questions.
    using MailboxFactory =
        std::function<std::unique_ptr<Mailbox>(const ConnectionQuestion& ask, const AccountProfile& account)>;

    struct Ended {
        CheckTrigger trigger;
        MailCheck::Outcome outcome;
        std::optional<Error> keptQuestion; // a timed check's question, not asked
        bool settingsWanted = false;       // a timed check found no server or no account
    };

    ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form, MailboxFactory mailboxes);
    ~ReceiveAction();

    // False when a check was running already (nothing starts).
    bool run(CheckTrigger trigger = CheckTrigger::User);
    bool isRunning() const { return checks_->isRunning(); }

    // Told at home after every check.
    std::function<void(const Ended&)> onEnded;

  private:
    static constexpr int kCountedFrom = 5; // more messages than this show "n / count"

    MailCheckHooks windowHooks();
    void finished(const MailCheck::Outcome& outcome);

    AppContext& context_;
    AppWindows& windows_;
    MainForm& form_;
    MailboxFactory mailboxes_;
    std::unique_ptr<MailCheckThread> checks_;
    // Of the check running.
    CheckTrigger trigger_ = CheckTrigger::User;
    // Its accounts in their order, and whether each is being checked now.
    QList<std::pair<AccountProfile, bool>> checking_;
    std::optional<Error> keptQuestion_;
    bool settingsWanted_ = false;
};
