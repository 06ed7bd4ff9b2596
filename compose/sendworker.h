#pragma once

#include <QPointer>
#include <QThread>
#include <functional>

#include "compose/mailsend.h"

class QObject;

// Runs a send off the window thread, so the window stays live, and hands the
// report to the window on its own thread. A mail on its way cannot be called
// back: the worker's end waits for the send's.
class SendWorker {
  public:
    // `owner` is the window: the report is delivered on its thread, and not
    // at all once it is gone.
    explicit SendWorker(QObject* owner) : owner_(owner) {}
    ~SendWorker();
    SendWorker(const SendWorker&) = delete;
    SendWorker& operator=(const SendWorker&) = delete;

    bool running() const { return thread_ != nullptr; }
    // Starts the send; `done` gets its report. Does nothing while a send runs.
    void start(MailSend send, SendRequest request, std::function<void(const SendReport&)> done);

  private:
    QObject* owner_;
    QPointer<QThread> thread_;
};
