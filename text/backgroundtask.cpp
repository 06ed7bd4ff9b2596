#include "text/backgroundtask.h"

#include <QMap>
#include <QMetaObject>
#include <utility>

struct LatestCalls {
    std::mutex mutex;
    QMap<int, std::function<void()>> waiting;
    bool queued = false;  // a call to run them is on its way home
    bool spacing = false; // home's spacing timer runs: it runs them when it ends
};

namespace {

thread_local BackgroundTask::Job* currentJob = nullptr;

// What a thread of a job runs under: its token and the job as current.
class JobScope {
  public:
    explicit JobScope(BackgroundTask::Job& job)
        : token_(job.token()), previous_(std::exchange(currentJob, &job)) {}
    ~JobScope() { currentJob = previous_; }
    JobScope(const JobScope&) = delete;
    JobScope& operator=(const JobScope&) = delete;

  private:
    CancelToken::Scope token_;
    BackgroundTask::Job* previous_;
};

} // namespace

BackgroundTask::BackgroundTask(const QString& homeName)
    : latest_(std::make_shared<LatestCalls>()), latestSpacing_(new QTimer(&home_)) {
    home_.setObjectName(homeName);
    latestSpacing_->setSingleShot(true);
    latestSpacing_->setTimerType(Qt::PreciseTimer); // a coarse one may end up to 5 % early
    latestSpacing_->setInterval(kLatestSpacing);
    QObject::connect(latestSpacing_, &QTimer::timeout, &home_, [this] { runLatest(); });
}

BackgroundTask::~BackgroundTask() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
        if (running_)
            running_->cancel();
    }
    changed_.notify_all();
    if (thread_)
        thread_->wait();
    // The loop let go of the mutex last; taking it makes its end visible to
    // the sanitizers, which cannot see into QThread::wait().
    const std::lock_guard lock(mutex_);
    // What the job queued home is dropped with home_.
}

void BackgroundTask::postHome(std::function<void()> call) {
    QMetaObject::invokeMethod(&home_, std::move(call), Qt::QueuedConnection);
}

void BackgroundTask::runLatest() {
    QMap<int, std::function<void()>> calls;
    {
        const std::lock_guard lock(latest_->mutex);
        calls = std::exchange(latest_->waiting, {});
        latest_->queued = false;
        // What comes while the spacing runs waits for its end; once a spacing
        // passes with nothing new, the next call is run at once again.
        latest_->spacing = !calls.isEmpty() || latestSpacing_->isActive();
    }
    if (!calls.isEmpty())
        latestSpacing_->start();
    for (const std::function<void()>& call : std::as_const(calls))
        call();
}

bool BackgroundTask::start(Work work, Done done) {
    if (isRunning())
        return false;
    enqueue({std::move(work), std::move(done)}, false);
    return true;
}

void BackgroundTask::restart(Work work, Done done) {
    enqueue({std::move(work), std::move(done)}, true);
}

void BackgroundTask::queue(Work work, Done done) {
    enqueue({std::move(work), std::move(done)}, false);
}

void BackgroundTask::cancel() {
    const std::lock_guard lock(mutex_);
    if (waiting_) {
        waiting_.reset();
        --unfinished_;
    }
    if (running_)
        running_->cancel();
}

void BackgroundTask::enqueue(Entry entry, bool cancelRunning) {
    {
        const std::lock_guard lock(mutex_);
        if (waiting_)
            --unfinished_;
        waiting_ = std::move(entry);
        ++unfinished_;
        if (cancelRunning && running_)
            running_->cancel();
    }
    changed_.notify_all();
    if (!thread_) {
        thread_.reset(QThread::create([this] { loop(); }));
        thread_->start();
    }
}

void BackgroundTask::loop() {
    for (;;) {
        Entry entry;
        CancelToken token;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_)
                return;
            entry = *std::exchange(waiting_, std::nullopt);
            running_ = token;
        }
        Job job(*this, token);
        {
            const JobScope scope(job);
            entry.work(job);
        }
        {
            const std::lock_guard lock(mutex_);
            running_.reset();
        }
        // Queued behind everything the job posted.
        postHome([this, done = std::move(entry.done)] {
            runLatest();
            --unfinished_;
            if (done)
                done();
        });
    }
}

void BackgroundTask::Job::post(std::function<void()> call) {
    // The latest calls made before this one come before it.
    task_.postHome([task = &task_, call = std::move(call)] {
        task->runLatest();
        call();
    });
}

void BackgroundTask::Job::postLatest(int slot, std::function<void()> call) {
    const std::shared_ptr<LatestCalls> latest = task_.latest_;
    {
        const std::lock_guard lock(latest->mutex);
        latest->waiting.insert(slot, std::move(call));
        if (latest->queued || latest->spacing)
            return;
        latest->queued = true;
    }
    task_.postHome([task = &task_] { task->runLatest(); });
}

bool BackgroundTask::Job::askHome(std::function<void()> question) {
    if (QThread::currentThread() == task_.home_.thread()) {
        question();
        return true;
    }
    struct Pending {
        std::mutex mutex;
        std::condition_variable answered;
        bool done = false;
        bool withdrawn = false;
    };
    const auto pending = std::make_shared<Pending>();
    task_.postHome([pending, question = std::move(question)] {
        {
            const std::lock_guard lock(pending->mutex);
            if (pending->withdrawn)
                return;
        }
        question();
        {
            const std::lock_guard lock(pending->mutex);
            pending->done = true;
        }
        pending->answered.notify_all();
    });
    std::unique_lock lock(pending->mutex);
    while (!pending->done) {
        if (token_.isCancelled()) {
            pending->withdrawn = true;
            return false;
        }
        pending->answered.wait_for(lock, CancelToken::kSlice);
    }
    return true;
}

BackgroundTask::Beside BackgroundTask::beside(std::function<void()> work) {
    auto ended = std::make_shared<std::mutex>();
    std::unique_ptr<QThread> thread(QThread::create([job = Job::current(), work = std::move(work), ended] {
        const std::lock_guard end(*ended);
        if (!job)
            return work();
        const JobScope scope(*job);
        work();
    }));
    thread->start();
    return Beside(std::move(thread), std::move(ended));
}

void BackgroundTask::Beside::join() {
    if (!thread_)
        return;
    thread_->wait();
    const std::lock_guard after(*ended_);
}

BackgroundTask::Job* BackgroundTask::Job::current() {
    return currentJob;
}
