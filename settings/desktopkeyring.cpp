#include "settings/desktopkeyring.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace {

// The names a keyring takes on the session bus: the Secret Service (GNOME
// Keyring, and KWallet since 5.97), and KWallet's own.
const QString kKeyringNames[] = {QStringLiteral("org.freedesktop.secrets"),
                                 QStringLiteral("org.kde.kwalletd6"), QStringLiteral("org.kde.kwalletd5")};

// Runs `job` to its end or to `timeout`. A job still running at the timeout
// is left to delete itself when it ends: the keyring may still answer.
std::optional<Error> run(std::unique_ptr<QKeychain::Job> job, std::chrono::milliseconds timeout,
                         const std::function<void(QKeychain::Job&)>& finished) {
    job->setAutoDelete(false);
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool ended = false;
    QObject::connect(job.get(), &QKeychain::Job::finished, &loop, [&] {
        ended = true;
        loop.quit();
    });
    job->start();
    if (!ended) {
        timer.start(timeout);
        loop.exec();
    }
    if (!ended) {
        QKeychain::Job* left = job.release();
        QObject::connect(left, &QKeychain::Job::finished, left, &QObject::deleteLater);
        return Error{.kind = Error::Kind::KeyringTimedOut,
                     .number = std::chrono::ceil<std::chrono::seconds>(timeout).count()};
    }
    if (job->error() != QKeychain::NoError && job->error() != QKeychain::EntryNotFound)
        return Error{.kind = Error::Kind::KeyringRefused, .detail = job->errorString()};
    finished(*job);
    return std::nullopt;
}

template <typename JobType> std::unique_ptr<JobType> jobFor(const QString& name) {
    auto job = std::make_unique<JobType>(DesktopKeyring::kService);
    job->setKey(name);
    return job;
}

} // namespace

DesktopKeyring::DesktopKeyring(std::function<QDBusConnection()> bus, std::chrono::milliseconds timeout)
    : bus_(std::move(bus)), timeout_(timeout) {}

bool DesktopKeyring::available() const {
    const QDBusConnectionInterface* bus = bus_().interface();
    if (!bus)
        return false;
    for (const QString& name : kKeyringNames)
        if (bus->isServiceRegistered(name))
            return true;
    return false;
}

Result<std::optional<QString>> DesktopKeyring::read(const QString& name) const {
    std::optional<QString> secret;
    const std::optional<Error> failed =
        run(jobFor<QKeychain::ReadPasswordJob>(name), timeout_, [&secret](QKeychain::Job& job) {
            if (job.error() == QKeychain::NoError)
                secret = static_cast<QKeychain::ReadPasswordJob&>(job).textData();
        });
    if (failed)
        return Result<std::optional<QString>>::failure(*failed);
    return secret;
}

Status DesktopKeyring::write(const QString& name, const QString& secret) const {
    auto job = jobFor<QKeychain::WritePasswordJob>(name);
    job->setTextData(secret);
    if (const std::optional<Error> failed = run(std::move(job), timeout_, [](QKeychain::Job&) {}))
        return Status::failure(*failed);
    return {};
}

Status DesktopKeyring::remove(const QString& name) const {
    if (const std::optional<Error> failed =
            run(jobFor<QKeychain::DeletePasswordJob>(name), timeout_, [](QKeychain::Job&) {}))
        return Status::failure(*failed);
    return {};
}
