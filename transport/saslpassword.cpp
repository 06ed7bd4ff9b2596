#include "transport/saslpassword.h"

#include <QMessageAuthenticationCode>
#include <algorithm>

namespace SaslPassword {

std::optional<Mechanism> choose(const QList<QByteArray>& offered) {
    for (const Mechanism m : {Mechanism::CramMd5, Mechanism::Plain, Mechanism::Login})
        if (std::any_of(offered.cbegin(), offered.cend(), [m](const QByteArray& word) {
                return word.compare(name(m), Qt::CaseInsensitive) == 0;
            }))
            return m;
    return std::nullopt;
}

QByteArray name(Mechanism mechanism) {
    switch (mechanism) {
    case Mechanism::CramMd5:
        return "CRAM-MD5";
    case Mechanism::Plain:
        return "PLAIN";
    case Mechanism::Login:
        return "LOGIN";
    }
    return {};
}

QByteArray plainMessage(const QString& id, const QString& password) {
    return '\0' + id.toUtf8() + '\0' + password.toUtf8();
}

QByteArray cramMd5Answer(const QString& id, const QString& password, const QByteArray& challenge) {
    return id.toUtf8() + ' ' +
           QMessageAuthenticationCode::hash(challenge, password.toUtf8(), QCryptographicHash::Md5).toHex();
}

} // namespace SaslPassword
