#pragma once

#include <QString>

#include "text/result.h"

// The authserv-id whose Authentication-Results the account trusts: its
// provider's, learned from the account's first mail that carried one and
// editable in the account window. In its own small file in the data
// folder, "authserv.ini", section "ACCOUNT", key "TRUSTED"; the account
// file keeps its format.
class TrustedAuthserv {
  public:
    static inline const QString kFileName = QStringLiteral("authserv.ini");

    explicit TrustedAuthserv(QString path);

    QString load() const; // empty: none trusted yet
    Status save(const QString& authservId) const;

  private:
    QString path_;
};
