#pragma once

#include <QObject>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "text/canceltoken.h"

// Runs work off the window thread, one job at a time, on a QThread of its
// own: a mail check, a send, an import, a sign-in, a search. What the job
// reports reaches the thread that created the task (home) as calls queued
// there, in the order the job made them, or only the latest of a kind; the
// job can ask home a question and wait for the answer. Each job carries a
// cancel token, current on its threads: everything it waits on looks at the
// token at least every CancelToken::kSlice, so a cancelled job ends promptly.
// Destroying the task cancels its job and waits for it to end; nothing it
// posted reaches home after that.
class BackgroundTask {
  public:
    // What a job sees of its task.
    class Job {
      public:
        const CancelToken& token() const { return token_; }
        bool cancelled() const { return token_.isCancelled(); }

        // Runs `call` on the home thread, after everything posted before it.
        void post(std::function<void()> call);
        // Of the calls posted under one `slot`, home runs the latest: while
        // one waits there, a newer one takes its place (what a window only
        // shows: progress, the mail just stored). Home is woken for them at
        // most once every kLatestSpacing, so a burst costs a few repaints,
        // not one a call; a later post() or the job's end still finds them
        // run first.
        void postLatest(int slot, std::function<void()> call);

        // Asks on the home thread and waits for the answer. Nothing comes
        // back when the job is cancelled first: a question not yet shown is
        // withdrawn and never is. Asked on the home thread itself, it is
        // answered at once.
        template <typename T> std::optional<T> ask(std::function<T()> question) {
            auto answer = std::make_shared<std::optional<T>>();
            if (!askHome([answer, question = std::move(question)] { *answer = question(); }))
                return std::nullopt;
            return *answer;
        }

        // The job whose thread this is; none on a thread without a job.
        static Job* current();

      private:
        friend class BackgroundTask;
        Job(BackgroundTask& task, CancelToken token) : task_(task), token_(std::move(token)) {}
        bool askHome(std::function<void()> question);

        BackgroundTask& task_;
        CancelToken token_;
    };

    // A thread beside a job (the mail check stores on one while it fetches
    // on the other), joined by join() or at its end.
    class Beside {
      public:
        Beside(std::unique_ptr<QThread> thread, std::shared_ptr<std::mutex> ended)
            : thread_(std::move(thread)), ended_(std::move(ended)) {}
        ~Beside() { join(); }
        Beside(Beside&&) = default;
        // Everything the thread did happens before join() returns.
        void join();

      private:
        std::unique_ptr<QThread> thread_;
        std::shared_ptr<std::mutex> ended_; // let go last by the thread: a hand-over the sanitizers see
    };
    // Runs `work` beside the job of this thread, under its token (as its
    // own work when this thread runs no job).
    static Beside beside(std::function<void()> work);

    using Work = std::function<void(Job&)>;
    using Done = std::function<void()>;

    // A window shows twenty changes a second at most.
    static constexpr std::chrono::milliseconds kLatestSpacing{50};

    // `homeName` names the object its calls are queued to at home.
    explicit BackgroundTask(const QString& homeName = {});
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // Starts `work` unless a job runs or waits (then false); `done` runs at
    // home once it has returned, after everything it posted.
    bool start(Work work, Done done = {});
    // Cancels the running job; `work` runs once it has ended, in place of any
    // job still waiting (whose `done` never comes).
    void restart(Work work, Done done = {});
    // `work` runs after the running job, in place of any job still waiting.
    void queue(Work work, Done done = {});

    void cancel();
    // A job runs or waits, or its `done` has not yet been called. Home only.
    bool isRunning() const { return unfinished_ > 0; }

  private:
    struct Entry {
        Work work;
        Done done;
    };
    void enqueue(Entry entry, bool cancelRunning);
    void loop();
    void postHome(std::function<void()> call);
    // Home: runs the latest calls waiting, and keeps the next ones waiting
    // until the spacing is over.
    void runLatest();

    QObject home_; // on the creating thread: calls queued to it run there
    std::mutex mutex_;
    std::condition_variable changed_;
    std::optional<Entry> waiting_;
    std::optional<CancelToken> running_;
    bool stopping_ = false;
    int unfinished_ = 0; // home only: jobs whose `done` is still to come
    std::unique_ptr<QThread> thread_;
    std::shared_ptr<struct LatestCalls> latest_;
    QTimer* latestSpacing_; // home: on while latest calls wait out the spacing; a child of home_
};
