#pragma once

#include <chrono>
#include <memory>

// A request to stop, shared by a background job and whoever started it.
// Whatever the job waits on (a server's bytes, an answer from the window
// thread, the next message of a long file) waits in short slices and looks
// at the token between them, so a cancelled job ends promptly wherever it is.
//
// The job's own thread knows its token as current(): code deep inside a job
// (a socket read, a question) checks it without every layer passing it on.
// On a thread that runs no job, current() is a token nobody cancels.
class CancelToken {
  public:
    using Clock = std::chrono::steady_clock;
    // The longest a wait goes without looking at the token.
    static constexpr std::chrono::milliseconds kSlice{20};

    CancelToken();

    void cancel() const;
    bool isCancelled() const;
    // Sleeps until `deadline`; true when cancelled meanwhile (it then wakes at once).
    bool sleepUntil(Clock::time_point deadline) const;

    static CancelToken current();

    // Makes `token` current on this thread while it lives.
    class Scope {
      public:
        explicit Scope(const CancelToken& token);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        std::shared_ptr<struct CancelState> previous_;
    };

  private:
    explicit CancelToken(std::shared_ptr<struct CancelState> state) : state_(std::move(state)) {}
    std::shared_ptr<struct CancelState> state_;
};
