#include "transport/certificatetrust.h"

#include <QFile>
#include <QSaveFile>

namespace {

QString reasonText(const QSslError& error) {
    switch (error.error()) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
        return QStringLiteral("自己署名の証明書です。");
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
        return QStringLiteral("信頼できる発行者の証明書ではありません。");
    case QSslError::HostNameMismatch:
        return QStringLiteral("証明書の名前がサーバー名と一致しません。");
    case QSslError::CertificateExpired:
        return QStringLiteral("証明書の有効期限が切れています。");
    case QSslError::CertificateNotYetValid:
        return QStringLiteral("証明書がまだ有効になっていません。");
    case QSslError::CertificateRevoked:
        return QStringLiteral("証明書は失効しています。");
    default:
        return error.errorString();
    }
}

} // namespace

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
            QStringLiteral("信頼する証明書を「%1」に書き込めませんでした。(%2)").arg(file_, f.errorString()));
    return {};
}

Status CertificateTrust::check(const QString& host, const QSslCertificate& certificate,
                               const QList<QSslError>& errors) const {
    if (errors.isEmpty())
        return {};
    const QString print = fingerprint(certificate);
    if (isTrusted(host, print))
        return {};
    QStringList reasons;
    for (const QSslError& e : errors)
        if (const QString r = reasonText(e); !reasons.contains(r))
            reasons << r;
    const QString problem =
        QStringLiteral("サーバー「%1」の証明書を確認できませんでした。\n%2\nSHA-256 指紋: %3")
            .arg(host, reasons.join(u'\n'), print);
    if (ask_ && !file_.isEmpty() &&
        ask_(problem + QStringLiteral("\n\nこの証明書をこのサーバーの証明書として今後も信頼しますか？")))
        return trust(host, print);
    return Status::failure(problem);
}
