#include "exchange/backgroundjob.h"

#include <QMetaObject>

BackgroundJob::~BackgroundJob() {
    cancelled_ = true;
    if (worker_.joinable())
        worker_.join();
}

bool BackgroundJob::start(std::function<void(BackgroundJob&)> work, std::function<void()> done) {
    if (running_)
        return false;
    if (worker_.joinable())
        worker_.join(); // the last job has returned; its thread ends now
    cancelled_ = false;
    running_ = true;
    worker_ = std::thread([this, work = std::move(work), done = std::move(done)]() mutable {
        work(*this);
        post([this, done = std::move(done)] {
            running_ = false;
            if (done)
                done();
        });
    });
    return true;
}

void BackgroundJob::post(std::function<void()> call) {
    // Queued to the receiver, which dies with this object: whatever is
    // still queued then is dropped.
    QMetaObject::invokeMethod(&receiver_, std::move(call), Qt::QueuedConnection);
}
