#pragma once

#include <QString>

#include "text/result.h"

// The authserv-id whose Authentication-Results an account trusts: its
// provider's, learned from the account's first mail that carried one and
// editable in the account window. Accounts at different providers trust
// different ids, so each has its own small file in the data folder: the
// first account "authserv.ini" (where older copies read it), a further one
// "authserv-<key>.ini"; section "ACCOUNT", key "TRUSTED". The account files
// keep their formats.
class TrustedAuthserv {
  public:
    static inline const QString kFileName = QStringLiteral("authserv.ini");

    // The file of the account with this key, in the data folder.
    static QString fileName(const QString& accountKey);

    explicit TrustedAuthserv(QString path);

    QString load() const; // empty: none trusted yet
    Status save(const QString& authservId) const;

  private:
    QString path_;
};
