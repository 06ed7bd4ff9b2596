// The timed check's schedule: when the one timer is armed, whether a firing
// checks, how a sleep, a change of the clock, a check of the user's and a run
// of failures count, on a clock the test moves.
#include <gtest/gtest.h>

#include "receive/checkschedule.h"

namespace {

using Ending = CheckSchedule::Ending;
using Step = CheckSchedule::Step;

constexpr qint64 kMinute = 60 * 1000;

// One thing that happens to the schedule, `afterMillis` of wall clock after the one before.
struct Event {
    qint64 afterMillis;
    enum { Start, StartChecking, SetInterval, Fire, FireWhileChecking, EndTimed, EndManual } what;
    int minutesOrEnding; // the minutes of Start and SetInterval, the Ending of the ends
    Step expected;
};

struct Scenario {
    const char* name;
    std::vector<Event> events;
};

void PrintTo(const Scenario& scenario, std::ostream* os) {
    *os << scenario.name;
}

Step arm(qint64 millis) {
    return {.armMillis = millis};
}
constexpr Step kCheck{.checkNow = true};
constexpr Step kNothing{};
Step armAndNotice(qint64 millis) {
    return {.armMillis = millis, .notice = true};
}

const Scenario kScenarios[] = {
    {"off-arms-no-timer", {{0, Event::Start, 0, kNothing}, {60 * kMinute, Event::Fire, 0, kNothing}}},
    {"start-up-check-then-an-interval-after-its-end",
     {{0, Event::StartChecking, 5, kCheck}, {20000, Event::EndTimed, int(Ending::Fine), arm(5 * kMinute)}}},
    {"fires-on-time-checks-and-re-arms-after-the-end",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {5 * kMinute, Event::Fire, 0, kCheck},
      {3000, Event::EndTimed, int(Ending::Fine), arm(5 * kMinute)}}},
    {"timer-a-moment-early-still-checks",
     {{0, Event::Start, 10, arm(10 * kMinute)}, {10 * kMinute - 200, Event::Fire, 0, kCheck}}},
    {"fired-early-by-the-wall-clock-waits-for-the-rest",
     {{0, Event::Start, 15, arm(15 * kMinute)}, {5 * kMinute, Event::Fire, 0, arm(10 * kMinute)}}},
    {"wall-clock-set-far-back-waits-no-more-than-an-interval",
     {{0, Event::Start, 5, arm(5 * kMinute)}, {-120 * kMinute, Event::Fire, 0, arm(5 * kMinute)}}},
    {"wake-after-three-hours-checks-once",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {180 * kMinute, Event::Fire, 0, kCheck},
      {1000, Event::EndTimed, int(Ending::Fine), arm(5 * kMinute)},
      {1000, Event::Fire, 0, arm(5 * kMinute - 1000)}}},
    {"firing-during-the-users-check-starts-none-its-end-re-arms",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {5 * kMinute, Event::FireWhileChecking, 0, kNothing},
      {30000, Event::EndManual, int(Ending::Fine), arm(5 * kMinute)}}},
    {"users-check-puts-the-timed-one-off",
     {{0, Event::Start, 30, arm(30 * kMinute)},
      {20 * kMinute, Event::EndManual, int(Ending::Fine), arm(30 * kMinute)},
      {10 * kMinute, Event::Fire, 0, arm(20 * kMinute)}}},
    {"interval-changed-counts-from-the-last-check",
     {{0, Event::Start, 60, arm(60 * kMinute)},
      {kMinute, Event::EndManual, int(Ending::Fine), arm(60 * kMinute)},
      {2 * kMinute, Event::SetInterval, 5, arm(3 * kMinute)},
      {3 * kMinute, Event::Fire, 0, kCheck}}},
    {"turned-off-a-pending-firing-checks-nothing",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {kMinute, Event::SetInterval, 0, kNothing},
      {4 * kMinute, Event::Fire, 0, kNothing}}},
    {"network-down-one-notice-for-a-run-of-attempts",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Unreachable), armAndNotice(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Unreachable), arm(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Fine), arm(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Unreachable), armAndNotice(5 * kMinute)}}},
    {"question-after-network-down-is-told",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Unreachable), armAndNotice(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::NeedsAnswer), armAndNotice(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::NeedsAnswer), arm(5 * kMinute)}}},
    {"failure-the-user-saw-is-not-told-again",
     {{0, Event::Start, 5, arm(5 * kMinute)},
      {kMinute, Event::EndManual, int(Ending::Failed), arm(5 * kMinute)},
      {5 * kMinute, Event::EndTimed, int(Ending::Failed), arm(5 * kMinute)}}},
};

class CheckScheduleTest : public testing::TestWithParam<Scenario> {};

TEST_P(CheckScheduleTest, decidesEachStep) {
    QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(7, 0), Qt::UTC);
    CheckSchedule schedule([&now] { return now; });
    int i = 0;
    for (const Event& e : GetParam().events) {
        now = now.addMSecs(e.afterMillis);
        const auto ending = Ending(e.minutesOrEnding);
        Step step;
        switch (e.what) {
        case Event::Start:
        case Event::StartChecking:
            step = schedule.start(e.minutesOrEnding * kMinute, e.what == Event::StartChecking);
            break;
        case Event::SetInterval:
            step = schedule.setInterval(e.minutesOrEnding * kMinute);
            break;
        case Event::Fire:
        case Event::FireWhileChecking:
            step = schedule.fired(e.what == Event::FireWhileChecking);
            break;
        case Event::EndTimed:
        case Event::EndManual:
            step = schedule.ended(ending, e.what == Event::EndTimed);
            break;
        }
        EXPECT_EQ(step.checkNow, e.expected.checkNow) << "event " << i;
        EXPECT_EQ(step.armMillis, e.expected.armMillis) << "event " << i;
        EXPECT_EQ(step.notice, e.expected.notice) << "event " << i;
        ++i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CheckScheduleTest, testing::ValuesIn(kScenarios), [](const auto& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

struct EndingRow {
    const char* name;
    QList<Error> errors;
    bool questionKept;
    Ending expected;
};

const EndingRow kEndings[] = {
    {"no-error", {}, false, Ending::Fine},
    {"server-not-found", {Error{.kind = Error::Kind::ServerNotFound}}, false, Ending::Unreachable},
    {"login-failed-under-a-lost-connection",
     {Error{.kind = Error::Kind::LoginFailed}.because(Error{.kind = Error::Kind::ConnectionLost})},
     false,
     Ending::Unreachable},
    {"refused-login", {Error{.kind = Error::Kind::LoginFailed}}, false, Ending::Failed},
    {"certificate-put-aside", {Error{.kind = Error::Kind::Certificate}}, true, Ending::NeedsAnswer},
};

TEST(CheckScheduleEnding, namesWhatTheScheduleActsOn) {
    for (const EndingRow& row : kEndings) {
        MailCheck::Outcome outcome;
        outcome.errors = row.errors;
        EXPECT_EQ(CheckSchedule::endingOf(outcome, row.questionKept), row.expected) << row.name;
    }
}

} // namespace
