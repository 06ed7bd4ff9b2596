#pragma once

#include "settings/secretstore.h"

// A keyring that runs, takes secrets and cannot be read (locked): an entry
// that says its passwords are there gets none.
struct UnreadableKeyring : SecretStore {
    bool available() const override { return true; }
    Result<std::optional<QString>> read(const QString&) const override {
        return Result<std::optional<QString>>::failure(
            {.kind = Error::Kind::KeyringRefused, .detail = QStringLiteral("locked")});
    }
    Status write(const QString&, const QString&) const override { return {}; }
    Status remove(const QString&) const override { return {}; }
};
