#include "app/timedchecks.h"

#include <QDBusConnection>
#include <limits>

#include "app/notices.h"
#include "ui/reporttexts.h"

TimedChecks::TimedChecks(ReceiveAction& receive, Notices& notices, CheckSchedule::Clock clock,
                         QObject* parent)
    : QObject(parent), receive_(receive), notices_(notices), schedule_(std::move(clock)) {
    timer_.setSingleShot(true);
    // Armed once a check: it may be exact without waking the machine more often.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TimedChecks::fired);
}

void TimedChecks::listenForWakeUps() {
    if (listening_)
        return;
    listening_ = true;
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
}

void TimedChecks::start(std::chrono::milliseconds interval, bool checkAtStart) {
    take(schedule_.start(interval.count(), checkAtStart));
}

void TimedChecks::setInterval(std::chrono::milliseconds interval) {
    take(schedule_.setInterval(interval.count()));
}

void TimedChecks::fired() {
    take(schedule_.fired(receive_.isRunning()));
}

void TimedChecks::prepareForSleep(bool sleeping) {
    if (!sleeping)
        fired();
}

void TimedChecks::checkEnded(const ReceiveAction::Ended& ended) {
    const bool kept = ended.keptQuestion || ended.settingsWanted;
    const CheckSchedule::Ending ending = CheckSchedule::endingOf(ended.outcome, kept);
    const CheckSchedule::Step step = schedule_.ended(ending, ended.trigger == CheckTrigger::Timer);
    if (step.notice)
        notices_.show(TimedCheckNoticeSummary(),
                      TimedCheckNoticeBody(ending, ended.keptQuestion, ended.outcome.errors),
                      [this] { receive_.run(CheckTrigger::User); });
    take(step);
}

void TimedChecks::take(const CheckSchedule::Step& step) {
    timer_.stop();
    if (step.armMillis) {
        listenForWakeUps();
        timer_.start(int(std::min<qint64>(*step.armMillis, std::numeric_limits<int>::max())));
    }
    if (step.checkNow)
        receive_.run(CheckTrigger::Timer);
}
