#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <functional>

// Runs this thread's events until `condition` holds, or `millis` have
// passed; whether it holds. For logic tests, which have no QtTest.
inline bool WaitFor(const std::function<bool()>& condition, int millis) {
    const QDeadlineTimer deadline(millis);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}
