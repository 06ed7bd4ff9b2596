#pragma once

#include <QString>
#include <optional>

#include "text/result.h"

// Where passwords go instead of the files when the desktop keeps them: the
// account logic asks through this, the desktop's keyring answers
// (DesktopKeyring).
class SecretStore {
  public:
    virtual ~SecretStore() = default;

    // A keyring is running to take secrets now.
    virtual bool available() const = 0;
    // Nothing when it holds no secret of that name.
    virtual Result<std::optional<QString>> read(const QString& name) const = 0;
    virtual Status write(const QString& name, const QString& secret) const = 0;
    // A secret that is not there is fine.
    virtual Status remove(const QString& name) const = 0;
};
