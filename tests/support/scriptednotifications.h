#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <optional>

// A session bus of the test's own: dbus-daemon started on first use and
// ended by its PID when the test goes, so that no notice reaches the
// desktop of whoever runs the tests.
class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    bool running() const { return !address_.isEmpty(); }
    const QString& address() const { return address_; }
    // A connection of its own to the bus, named `name` within the test.
    QDBusConnection connect(const QString& name) const;

  private:
    QProcess daemon_;
    QString address_;
    mutable QStringList connections_; // closed with the bus
};

// The desktop's notification service, played by the test on a bus: it
// records every notice asked for and clicks one when told.
class ScriptedNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Shown {
        uint id;
        QString appName;
        QString summary;
        QString body;
        QStringList actions;
    };

    // Takes the service's name on `bus`; false when it could not.
    bool serveOn(QDBusConnection bus);
    // The user clicks notice `id`: the service says its "default" action was invoked.
    void click(uint id);

    QList<Shown> shown;

  public Q_SLOTS:
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    QStringList GetCapabilities();
    void CloseNotification(uint id);

  private:
    std::optional<QDBusConnection> bus_;
};
