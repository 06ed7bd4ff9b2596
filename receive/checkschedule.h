#pragma once

#include <QDateTime>
#include <functional>
#include <optional>

#include "receive/mailcheck.h"

// When the next timed check is due. The caller arms one single-shot timer
// for the delay each step gives and tells the schedule when it fires, so
// that nothing wakes the machine between checks. The timer runs on a clock
// that stands still while the machine sleeps, so each firing is weighed
// against the wall clock: after a sleep that missed several checks, one
// check runs, and the next is due a whole interval after it ends.
//
// Any check's end (a timed one or the user's) sets the next due time; a
// timed firing while a check runs starts nothing (the end re-arms). A run of
// timed checks that fail the same way (the network down, a question kept
// for the user) gives one notice, not one per attempt.
class CheckSchedule {
  public:
    using Clock = std::function<QDateTime()>;

    // How a check ended, as far as the schedule cares.
    enum class Ending { Fine, Unreachable, NeedsAnswer, Failed };

    struct Step {
        bool checkNow = false;
        std::optional<qint64> armMillis = {}; // the next firing; none: no timer
        bool notice = false;                  // the ending is new: tell the user once

        friend bool operator==(const Step&, const Step&) = default;
    };

    // A firing this close before its due time counts as on time.
    static constexpr qint64 kSlackMillis = 250;

    explicit CheckSchedule(Clock clock) : clock_(std::move(clock)) {}

    // At start-up, with the settings read: an interval of 0 is off.
    Step start(qint64 intervalMillis, bool checkAtStart);
    // The interval changed in the settings: due an interval after the last check.
    Step setInterval(qint64 intervalMillis);
    // The timer fired (or the machine woke up).
    Step fired(bool checkRunning);
    // A check ended: timed tells one the timer started from one the user asked for.
    Step ended(Ending ending, bool timed);

    // What the schedule makes of a check's outcome; `questionKept` when a
    // timed check put a question aside instead of asking it.
    static Ending endingOf(const MailCheck::Outcome& outcome, bool questionKept);

  private:
    Step armedFrom(const QDateTime& from);

    Clock clock_;
    qint64 interval_ = 0;
    QDateTime due_;
    QDateTime lastEnd_;
    std::optional<Ending> noticed_;
};
