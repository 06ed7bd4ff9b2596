#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "receive/mailcheck.h"

class QSocketNotifier;

// Runs the mail check on a worker thread, so that the windows stay live.
// Everything the check reports reaches the thread that created this object
// (the window thread), in the order the check said it: the hooks and the end
// run there, and a message box shown there holds the worker until it has been
// answered. The worker gets its own copies of the paths and settings and
// shares nothing else with the window thread.
class MailCheckThread {
  public:
    using MailboxFactory = std::function<std::unique_ptr<Mailbox>()>; // called on the worker
    using Finished = std::function<void(const MailCheck::Outcome&)>;

    // `notifier`, `hooks` and `finished` are only used on the creating thread.
    MailCheckThread(UserNotifier& notifier, MailCheckHooks hooks, Finished finished);
    // A check still running is stopped after the message in hand, unheard:
    // what it stored is made durable and only then deleted on the server.
    ~MailCheckThread();
    MailCheckThread(const MailCheckThread&) = delete;
    MailCheckThread& operator=(const MailCheckThread&) = delete;

    // Starts a check; while one is running, does nothing and returns false.
    bool start(AppPaths paths, AppSettings settings, MailboxFactory mailboxes);
    bool isRunning() const { return worker_.joinable(); }

  private:
    // The way from the worker to the creating thread. Calls queue here under
    // a mutex of our own and an eventfd wakes the receiving thread, which then
    // runs whatever has queued, oldest first. (A queued QMetaObject call would
    // do the same, but the thread sanitizer cannot see through the locks of a
    // Qt that was not built for it, and reports every such call; for the same
    // reason the worker is a std::thread rather than a QThread.)
    class Relay {
      public:
        Relay(); // on the receiving thread
        ~Relay();
        Relay(const Relay&) = delete;
        Relay& operator=(const Relay&) = delete;

        void post(std::function<void()> call);
        // Runs `call` on the receiving thread and waits until it has returned.
        void ask(std::function<void()> call);
        // Nothing more is delivered; a worker waiting in ask() goes on.
        void abandon();

      private:
        void runQueued();

        std::mutex mutex_;
        std::condition_variable answered_;
        std::deque<std::function<void()>> queued_;
        bool abandoned_ = false;
        int wakeFd_;
        std::unique_ptr<QSocketNotifier> woken_;
    };

    MailCheckHooks relayedHooks();
    void finish(const MailCheck::Outcome& outcome);

    UserNotifier& notifier_;
    MailCheckHooks hooks_;
    Finished finished_;
    Relay relay_;
    std::mutex checkMutex_;
    MailCheck* check_ = nullptr; // the worker's check while it runs
    bool closing_ = false;
    std::thread worker_;
};
