#pragma once

#include <functional>
#include <memory>

#include "receive/mailcheck.h"
#include "settings/accounts.h"
#include "text/backgroundtask.h"

// Runs the mail check as a background task, so that the windows stay live.
// Everything the check reports reaches the thread that created this object
// (the window thread) as calls queued there, in the order each of the
// check's threads said it (progress comes from the fetching one, the mails
// received from the storing one, so progress may run a little ahead of
// them; of a burst of either, the window thread may hear only the latest),
// then the end with the outcome, whose errors the windows show once the
// session is over. A question that must be answered mid-session (a
// certificate, a login in clear) is asked through the task. The job gets
// its own copies of the paths and the accounts and shares nothing else with
// the window thread.
class MailCheckThread {
  public:
    // A session for the account, made on the thread that checks it.
    using MailboxFactory = std::function<std::unique_ptr<Mailbox>(const AccountProfile&)>;
    using Finished = std::function<void(const MailCheck::Outcome&)>;
    // The accounts to check, read on the job's thread (the keyring may keep
    // it waiting).
    using AccountsSource = std::function<Accounts::Loaded()>;

    // `hooks` and `finished` are only used on the creating thread.
    MailCheckThread(MailCheckHooks hooks, Finished finished);
    // A check still running is cancelled, unheard: it fetches nothing more,
    // what it stored is made durable, and its next run deletes it on the
    // server without storing it twice.
    ~MailCheckThread() = default;
    MailCheckThread(const MailCheckThread&) = delete;
    MailCheckThread& operator=(const MailCheckThread&) = delete;

    // Starts a check of the accounts (AccountChecks); while one is running,
    // does nothing and returns false.
    bool start(AppPaths paths, AccountsSource accounts, MailboxFactory mailboxes);
    bool isRunning() const { return task_.isRunning(); }

  private:
    MailCheckHooks hooks_;
    Finished finished_;
    BackgroundTask task_;
};
