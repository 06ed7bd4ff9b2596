#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

#include "oauth/signinflow.h"

// A sign-in on a thread of its own, so that the windows stay live while the
// user is in the browser. What it reports comes back on the thread that
// started it; going away cancels it (the listener closes within a moment).
class SignInTask {
  public:
    using Browser = std::function<void(const QUrl&)>;
    using Finished = std::function<void(const MailResult<OAuthTokens>&)>;

    // `browse` and `finished` run on the starting thread, which needs an event loop.
    SignInTask(SignInFlow flow, Browser browse, Finished finished);
    ~SignInTask();
    SignInTask(const SignInTask&) = delete;
    SignInTask& operator=(const SignInTask&) = delete;

    void cancel() { cancelled_ = true; }

  private:
    QObject home_; // on the starting thread: calls queued to it run there
    std::atomic<bool> cancelled_ = false;
    std::thread thread_;
};
