#include "tests/support/testkeyring.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <csignal>

#include "tests/support/waitfor.h"

void TestKeyring::SetUp() {
    bus_ = std::make_unique<PrivateSessionBus>();
    ASSERT_TRUE(bus_->running()) << "dbus-daemon did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_->address().toUtf8());
    // QtKeychain picks KWallet on a KDE desktop: the Secret Service here.
    qunsetenv("XDG_CURRENT_DESKTOP");
    qunsetenv("DESKTOP_SESSION");
    qunsetenv("KDE_FULL_SESSION");

    ASSERT_TRUE(QDir(home_.path()).mkpath(QStringLiteral("run")));
    QFile::setPermissions(home_.filePath(QStringLiteral("run")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home_.path());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home_.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home_.filePath(QStringLiteral("run")));
    daemon_.setProcessEnvironment(env);
    daemon_.setProgram(QStringLiteral("gnome-keyring-daemon"));
    daemon_.setArguments(
        {QStringLiteral("--foreground"), QStringLiteral("--components=secrets"), QStringLiteral("--unlock")});
    daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon_.start();
    ASSERT_TRUE(daemon_.waitForStarted(10000)) << "gnome-keyring-daemon did not start";
    // --unlock reads the password to create and unlock the login keyring with.
    daemon_.write("test-keyring-password");
    daemon_.closeWriteChannel();
    const QDBusConnection bus = QDBusConnection::sessionBus();
    ASSERT_TRUE(WaitFor(
        [&bus] {
            return bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")).value();
        },
        10000))
        << "no Secret Service on the bus";
}

void TestKeyring::hang() {
    ::kill(pid_t(daemon_.processId()), SIGSTOP);
}

void TestKeyring::resume() {
    ::kill(pid_t(daemon_.processId()), SIGCONT);
}

void TestKeyring::TearDown() {
    if (daemon_.state() != QProcess::NotRunning) {
        resume();
        daemon_.terminate();
        daemon_.waitForFinished(10000);
    }
    bus_.reset();
}
