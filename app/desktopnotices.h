#pragma once

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include "app/notices.h"

// Notices through the desktop's notification service
// (org.freedesktop.Notifications on the session bus). Each asks for the
// "default" action, which the desktop invokes when the notice is clicked.
// Calls never wait: where no service runs, a notice fails unseen.
class DesktopNotices : public QObject, public Notices {
    Q_OBJECT
  public:
    // `openLabel` names the click where the desktop shows it as a button.
    DesktopNotices(QDBusConnection bus, QString openLabel, QObject* parent = nullptr);

    void show(const QString& summary, const QString& body, std::function<void()> clicked) override;

  private Q_SLOTS:
    void actionInvoked(uint id, const QString& action);
    void notificationClosed(uint id, uint reason);

  private:
    QDBusConnection bus_;
    QString openLabel_;
    QHash<uint, std::function<void()>> clicks_; // by the service's id of each notice shown
};
