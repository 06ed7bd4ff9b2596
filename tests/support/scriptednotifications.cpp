#include "tests/support/scriptednotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kName = QStringLiteral("org.freedesktop.Notifications");
} // namespace

PrivateSessionBus::PrivateSessionBus() {
    daemon_.setProgram(QStringLiteral("dbus-daemon"));
    daemon_.setArguments(
        {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    daemon_.start(QIODevice::ReadOnly);
    if (!daemon_.waitForStarted(10000))
        return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(10000)) {
    }
    address_ = QString::fromLatin1(daemon_.readLine().trimmed());
}

PrivateSessionBus::~PrivateSessionBus() {
    for (const QString& name : connections_)
        QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() == QProcess::NotRunning)
        return;
    daemon_.terminate();
    daemon_.waitForFinished(10000);
}

QDBusConnection PrivateSessionBus::connect(const QString& name) const {
    // Connections are known by name within the process: one of its own per bus.
    const QString unique = name + QStringLiteral("@") + address_;
    connections_.append(unique);
    return QDBusConnection::connectToBus(address_, unique);
}

bool ScriptedNotifications::serveOn(QDBusConnection bus) {
    bus_ = bus;
    return bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots) && bus.registerService(kName);
}

void ScriptedNotifications::click(uint id) {
    QDBusMessage signal = QDBusMessage::createSignal(kPath, kName, QStringLiteral("ActionInvoked"));
    signal << id << QStringLiteral("default");
    bus_->send(signal);
    QDBusMessage closed = QDBusMessage::createSignal(kPath, kName, QStringLiteral("NotificationClosed"));
    closed << id << uint(2); // dismissed by the user
    bus_->send(closed);
}

uint ScriptedNotifications::Notify(const QString& appName, uint, const QString&, const QString& summary,
                                   const QString& body, const QStringList& actions, const QVariantMap&, int) {
    const uint id = uint(shown.size()) + 1;
    shown.append({id, appName, summary, body, actions});
    return id;
}

QStringList ScriptedNotifications::GetCapabilities() {
    return {QStringLiteral("actions"), QStringLiteral("body")};
}

void ScriptedNotifications::CloseNotification(uint) {}
