#pragma once

#include <memory>

#include "receive/mailcheckthread.h"

class AppWindows;
class MainForm;
struct AppContext;

// The receive label: starts the mail check on its worker thread and shows
// the wait cursor over the main window until it ends. A press while a check
// runs does nothing. The check's status texts go to the main window's status
// box, the account it reads to the account window and the settings of this
// run, each message received to the history window; what went wrong is
// shown in message boxes, in order, once the check has ended.
class ReceiveAction {
  public:
    using MailboxFactory = MailCheckThread::MailboxFactory;

    ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form, MailboxFactory mailboxes);
    ~ReceiveAction();

    void run();
    bool isRunning() const { return checks_->isRunning(); }

  private:
    static constexpr int kCountedFrom = 5; // more messages than this show "n / count"

    MailCheckHooks windowHooks();
    void finished(const MailCheck::Outcome& outcome);

    AppContext& context_;
    AppWindows& windows_;
    MainForm& form_;
    MailboxFactory mailboxes_;
    std::unique_ptr<MailCheckThread> checks_;
};
