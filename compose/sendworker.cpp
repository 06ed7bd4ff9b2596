#include "compose/sendworker.h"

#include <memory>

SendWorker::~SendWorker() {
    if (thread_)
        thread_->wait();
}

void SendWorker::start(MailSend send, SendRequest request, std::function<void(const SendReport&)> done) {
    if (running())
        return;
    auto report = std::make_shared<SendReport>();
    QThread* thread = QThread::create(
        [send = std::move(send), request = std::move(request), report] { *report = send.run(request); });
    thread->setParent(owner_);
    // Queued to the owner's thread; dropped if the owner is gone by then.
    QObject::connect(thread, &QThread::finished, owner_, [this, thread, report, done = std::move(done)] {
        thread->deleteLater();
        thread_ = nullptr;
        done(*report);
    });
    thread_ = thread;
    thread->start();
}
