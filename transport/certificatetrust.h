#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslError>
#include <QString>
#include <functional>

#include "text/result.h"

// Whether a server's certificate may be used: it passes the system's checks
// (trusted store, host name, dates), or the user has trusted this very
// certificate for this host, now or at an earlier check. Trusted
// certificates are kept for good in a small file, one "host fingerprint"
// line each, readable by the user only.
class CertificateTrust {
  public:
    // Asked, on the thread of the connection, when a certificate fails the
    // checks; the problem (a Certificate error) says why and gives the
    // fingerprint. True trusts the certificate for good for that host.
    using Question = std::function<bool(const Error& problem)>;

    static inline const QString kFileName = QStringLiteral("trusted-certificates");

    CertificateTrust() = default; // nothing beyond the system's checks
    CertificateTrust(QString file, Question ask);

    // Fails with the reasons and the fingerprint when the certificate may not be used.
    Status check(const QString& host, const QSslCertificate& certificate,
                 const QList<QSslError>& errors) const;

    bool isTrusted(const QString& host, const QString& fingerprint) const;
    Status trust(const QString& host, const QString& fingerprint) const;

    // SHA-256 in upper-case hex pairs, "AB:01:...".
    static QString fingerprint(const QSslCertificate& certificate);

  private:
    QString file_;
    Question ask_;
};
