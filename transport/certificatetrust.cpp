#include "transport/certificatetrust.h"

#include <QFile>
#include <QSaveFile>

CertificateTrust::CertificateTrust(QString file, Question ask)
    : file_(std::move(file)), ask_(std::move(ask)) {}

QString CertificateTrust::fingerprint(const QSslCertificate& certificate) {
    return QString::fromLatin1(certificate.digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

bool CertificateTrust::isTrusted(const QString& host, const QString& fingerprint) const {
    QFile f(file_);
    if (file_.isEmpty() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray wanted = host.toUtf8() + ' ' + fingerprint.toLatin1();
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.trimmed() == wanted)
            return true;
    return false;
}

Status CertificateTrust::trust(const QString& host, const QString& fingerprint) const {
    QByteArray lines;
    if (QFile old(file_); old.open(QIODevice::ReadOnly))
        lines = old.readAll();
    if (!lines.isEmpty() && !lines.endsWith('\n'))
        lines += '\n';
    lines += host.toUtf8() + ' ' + fingerprint.toLatin1() + '\n';
    QSaveFile f(file_);
    if (!f.open(QIODevice::WriteOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        f.write(lines) != lines.size() || !f.commit())
        return Status::failure(
            {.kind = Error::Kind::CertificateNotKept, .path = file_, .detail = f.errorString()});
    return {};
}

Status CertificateTrust::check(const QString& host, const QSslCertificate& certificate,
                               const QList<QSslError>& errors) const {
    if (errors.isEmpty())
        return {};
    const QString print = fingerprint(certificate);
    if (isTrusted(host, print))
        return {};
    Error problem{.kind = Error::Kind::Certificate, .name = host, .detail = print};
    for (const QSslError& e : errors)
        problem.certificateReasons.append(int(e.error()));
    if (ask_ && !file_.isEmpty() && ask_(problem))
        return trust(host, print);
    return Status::failure(problem);
}
