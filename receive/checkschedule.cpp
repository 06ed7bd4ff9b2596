#include "receive/checkschedule.h"

namespace {

bool unreachable(const Error& error) {
    switch (error.kind) {
    case Error::Kind::ServerNotFound:
    case Error::Kind::CannotConnect:
    case Error::Kind::Timeout:
    case Error::Kind::ConnectionLost:
    case Error::Kind::ConnectionFailed:
    case Error::Kind::LostMidReply:
        return true;
    default:
        return error.cause && unreachable(*error.cause);
    }
}

} // namespace

CheckSchedule::Step CheckSchedule::armedFrom(const QDateTime& from) {
    if (interval_ <= 0) {
        due_ = {};
        return {};
    }
    due_ = from.addMSecs(interval_);
    return {.armMillis = std::max<qint64>(0, clock_().msecsTo(due_))};
}

CheckSchedule::Step CheckSchedule::start(qint64 intervalMillis, bool checkAtStart) {
    interval_ = intervalMillis;
    if (checkAtStart)
        return {.checkNow = true};
    return armedFrom(clock_());
}

CheckSchedule::Step CheckSchedule::setInterval(qint64 intervalMillis) {
    interval_ = intervalMillis;
    return armedFrom(lastEnd_.isValid() ? lastEnd_ : clock_());
}

CheckSchedule::Step CheckSchedule::fired(bool checkRunning) {
    if (interval_ <= 0 || !due_.isValid() || checkRunning)
        return {};
    const qint64 left = clock_().msecsTo(due_);
    if (left <= kSlackMillis)
        return {.checkNow = true};
    // Early by the wall clock (it was set forward meanwhile, or back before
    // the timer was armed): wait for the rest, never more than an interval.
    return {.armMillis = std::min(left, interval_)};
}

CheckSchedule::Step CheckSchedule::ended(Ending ending, bool timed) {
    lastEnd_ = clock_();
    Step step = armedFrom(lastEnd_);
    if (ending == Ending::Fine)
        noticed_.reset();
    else {
        // A check the user started showed its own messages.
        step.notice = timed && noticed_ != ending;
        noticed_ = ending;
    }
    return step;
}

CheckSchedule::Ending CheckSchedule::endingOf(const MailCheck::Outcome& outcome, bool questionKept) {
    if (questionKept)
        return Ending::NeedsAnswer;
    if (outcome.errors.isEmpty())
        return Ending::Fine;
    for (const Error& error : outcome.errors)
        if (unreachable(error))
            return Ending::Unreachable;
    return Ending::Failed;
}
