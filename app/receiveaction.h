#pragma once

#include <functional>
#include <memory>

class AppWindows;
class Mailbox;
class MainForm;
struct AppContext;

// The receive label: runs the mail check inside the click, with the wait
// cursor, reporting in the main window's status box.
class ReceiveAction {
  public:
    using MailboxFactory = std::function<std::unique_ptr<Mailbox>()>;

    ReceiveAction(AppContext& context, AppWindows& windows, MainForm& form, MailboxFactory mailboxes);
    void run();

  private:
    AppContext& context_;
    AppWindows& windows_;
    MainForm& form_;
    MailboxFactory mailboxes_;
};
