#include "transport/saslbearer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace SaslBearer {

std::optional<Mechanism> choose(const QList<QByteArray>& offered) {
    const auto has = [&](const char* word) {
        return std::any_of(offered.cbegin(), offered.cend(),
                           [word](const QByteArray& w) { return w.compare(word, Qt::CaseInsensitive) == 0; });
    };
    if (has("OAUTHBEARER"))
        return Mechanism::OAuthBearer;
    if (has("XOAUTH2"))
        return Mechanism::XOAuth2;
    return std::nullopt;
}

QByteArray name(Mechanism mechanism) {
    return mechanism == Mechanism::OAuthBearer ? "OAUTHBEARER" : "XOAUTH2";
}

QByteArray initialResponse(Mechanism mechanism, const QString& user, const QString& token,
                           const QString& host, int port) {
    const QByteArray bearer = "auth=Bearer " + token.toUtf8() + "\x01\x01";
    if (mechanism == Mechanism::XOAuth2)
        return "user=" + user.toUtf8() + '\x01' + bearer;
    // The GS2 header's authzid is a saslname: "," and "=" are escaped (RFC 5801).
    QByteArray authzid = user.toUtf8();
    authzid.replace("=", "=3D").replace(",", "=2C");
    return "n,a=" + authzid + ",\x01host=" + host.toUtf8() + "\x01port=" + QByteArray::number(port) + '\x01' +
           bearer;
}

QByteArray errorAcknowledgement(Mechanism mechanism) {
    return mechanism == Mechanism::OAuthBearer ? QByteArray("\x01") : QByteArray();
}

QString challengeStatus(const QByteArray& challengeBase64) {
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromBase64(challengeBase64.trimmed()));
    return json.object().value(QStringLiteral("status")).toString();
}

} // namespace SaslBearer
