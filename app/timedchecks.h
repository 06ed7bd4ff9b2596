#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

#include "app/receiveaction.h"
#include "receive/checkschedule.h"

class Notices;
class QWidget;

// Checks on a timer as the settings ask: one single-shot timer armed for
// the schedule's next step and nothing between, the same check as the
// receive label's (a firing while a check runs starts none). A timed check
// that could not go on is told in one notice for a run of such; its click
// runs the check as the user's own, which asks the question kept or opens
// the settings it lacks. A machine that wakes up checks at once when it was
// due meanwhile (the desktop's login manager says so on the system bus).
class TimedChecks : public QObject {
    Q_OBJECT
  public:
    TimedChecks(ReceiveAction& receive, Notices& notices, CheckSchedule::Clock clock,
                QObject* parent = nullptr);

    void start(std::chrono::milliseconds interval, bool checkAtStart);
    void setInterval(std::chrono::milliseconds interval);
    void checkEnded(const ReceiveAction::Ended& ended);

    // When the timer fires next; inactive when off.
    const QTimer& timer() const { return timer_; }

  private Q_SLOTS:
    void fired();
    void prepareForSleep(bool sleeping);

  private:
    void take(const CheckSchedule::Step& step);
    // Hears of the machine waking up, once there is a check to make then.
    void listenForWakeUps();

    ReceiveAction& receive_;
    Notices& notices_;
    CheckSchedule schedule_;
    QTimer timer_;
    bool listening_ = false;
};
