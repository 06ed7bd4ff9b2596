#include "app/desktopnotices.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

DesktopNotices::DesktopNotices(QDBusConnection bus, QString openLabel, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), openLabel_(std::move(openLabel)) {
    bus_.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                 SLOT(actionInvoked(uint, QString)));
    bus_.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                 SLOT(notificationClosed(uint, uint)));
}

void DesktopNotices::show(const QString& summary, const QString& body, std::function<void()> clicked) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // app name, replaces id, icon, summary, body, actions (key, label), hints, timeout (server's default)
    call << QStringLiteral("Fennick") << uint(0) << QStringLiteral("mail-unread") << summary << body
         << QStringList{QStringLiteral("default"), openLabel_} << QVariantMap() << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, clicked = std::move(clicked)](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (reply.isValid() && clicked)
                    clicks_.insert(reply.value(), clicked);
                w->deleteLater();
            });
}

void DesktopNotices::actionInvoked(uint id, const QString& action) {
    if (action != QStringLiteral("default"))
        return;
    const std::function<void()> clicked = clicks_.take(id);
    if (clicked)
        clicked();
}

void DesktopNotices::notificationClosed(uint id, uint) {
    clicks_.remove(id);
}
