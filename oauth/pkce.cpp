#include "oauth/pkce.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace {

QString base64Url(const QByteArray& bytes) {
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString randomText() {
    QByteArray bytes(32, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return base64Url(bytes);
}

} // namespace

namespace Pkce {

QString newVerifier() {
    return randomText();
}

QString challenge(const QString& verifier) {
    return base64Url(QCryptographicHash::hash(verifier.toLatin1(), QCryptographicHash::Sha256));
}

QString newState() {
    return randomText();
}

} // namespace Pkce
