#pragma once

#include <QDBusConnection>
#include <chrono>
#include <functional>

#include "settings/secretstore.h"

// The desktop's keyring (GNOME Keyring or KWallet, through QtKeychain) as
// seen from the logic: each of its jobs runs to its end, or to `timeout`, in
// an event loop of the calling thread, and its answer becomes a value.
class DesktopKeyring : public SecretStore {
  public:
    // Every secret of the program is kept under this service name.
    static inline const QString kService = QStringLiteral("Fennick");

    // `bus` gives the session bus the keyring is looked for on, joined only
    // when the first secret is asked for.
    explicit DesktopKeyring(std::function<QDBusConnection()> bus,
                            std::chrono::milliseconds timeout = std::chrono::seconds(20));

    // A Secret Service or KWallet owns its name on the session bus. Only an
    // owner counts: a keyring that D-Bus would start on demand is not
    // running, and asking it would start one behind the user's back.
    bool available() const override;
    Result<std::optional<QString>> read(const QString& name) const override;
    Status write(const QString& name, const QString& secret) const override;
    Status remove(const QString& name) const override;

  private:
    std::function<QDBusConnection()> bus_;
    std::chrono::milliseconds timeout_;
};
