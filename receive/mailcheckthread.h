#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <mutex>

#include "receive/mailcheck.h"

class QThread;

// Runs the mail check on a worker QThread, so that the windows stay live.
// Everything the check reports reaches the thread that created this object
// (the window thread) as calls queued there, in the order each of the
// check's threads said it (progress comes from the fetching one, the mails
// received from the storing one, so progress may run a little ahead of
// them; of a burst of either, the window thread may hear only the latest),
// then the end with the outcome, whose errors the windows show
// once the session is over. Nothing here holds the worker; only a question
// that must be answered mid-session (a certificate, a login in clear) does,
// through its mailbox's trust and TLS policy. The worker gets its own copies
// of the paths and settings and shares nothing else with the window thread.
class MailCheckThread {
  public:
    using MailboxFactory = std::function<std::unique_ptr<Mailbox>()>; // called on the worker
    using Finished = std::function<void(const MailCheck::Outcome&)>;

    // `hooks` and `finished` are only used on the creating thread.
    MailCheckThread(MailCheckHooks hooks, Finished finished);
    // A check still running is stopped after the message in hand, unheard
    // (its thread is asked to stop: QThread::isInterruptionRequested): what
    // it stored is made durable and only then deleted on the server.
    ~MailCheckThread();
    MailCheckThread(const MailCheckThread&) = delete;
    MailCheckThread& operator=(const MailCheckThread&) = delete;

    // Starts a check; while one is running, does nothing and returns false.
    bool start(AppPaths paths, AppSettings settings, MailboxFactory mailboxes);
    bool isRunning() const { return worker_ != nullptr; }

  private:
    MailCheckHooks relayedHooks();
    void finish(MailCheck::Outcome outcome);

    MailCheckHooks hooks_;
    Finished finished_;
    QObject home_; // on the creating thread: the calls queued to it run there
    std::mutex checkMutex_;
    MailCheck* check_ = nullptr; // the worker's check while it runs
    bool closing_ = false;
    std::unique_ptr<QThread> worker_;
};
