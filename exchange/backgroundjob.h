#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

// One long job (an export, an import) on a worker thread, so that the
// window stays live. What the job reports runs on the thread that created
// this object; nothing is reported after it is destroyed, which stops the
// job (it asks cancelled()) and waits for it.
class BackgroundJob {
  public:
    BackgroundJob() = default;
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Starts `work` unless a job is running (then false); `done` runs on
    // this thread when it has returned.
    bool start(std::function<void(BackgroundJob&)> work, std::function<void()> done);
    bool isRunning() const { return running_; }
    void cancel() { cancelled_ = true; }

    // For the job: runs `call` on the creating thread, in order.
    void post(std::function<void()> call);
    bool cancelled() const { return cancelled_; }

  private:
    QObject receiver_;
    std::thread worker_;
    std::atomic<bool> running_ = false;
    std::atomic<bool> cancelled_ = false;
};
