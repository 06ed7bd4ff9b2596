#include "settings/tokenstore.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

TokenStore::TokenStore(QString path) : path_(std::move(path)) {}

std::optional<OAuthSignIn> TokenStore::load() const {
    QFile f(path_);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject o = QJsonDocument::fromJson(f.read(1 << 20)).object();
    const auto text = [&o](const char* key) { return o.value(QLatin1String(key)).toString(); };
    OAuthSignIn s;
    s.user = text("user");
    s.client = {text("provider"), text("authorizationUrl"), text("tokenUrl"),
                text("scope"),    text("clientId"),         text("clientSecret")};
    s.tokens.refreshToken = text("refreshToken");
    s.tokens.accessToken = text("accessToken");
    s.tokens.expiresAt = QDateTime::fromString(text("expiresAt"), Qt::ISODate);
    if (s.tokens.refreshToken.isEmpty() || s.client.tokenUrl.isEmpty() || s.client.clientId.isEmpty())
        return std::nullopt;
    return s;
}

Status TokenStore::save(const OAuthSignIn& s) const {
    const QJsonObject o{
        {QStringLiteral("user"), s.user},
        {QStringLiteral("provider"), s.client.provider},
        {QStringLiteral("authorizationUrl"), s.client.authorizationUrl},
        {QStringLiteral("tokenUrl"), s.client.tokenUrl},
        {QStringLiteral("scope"), s.client.scope},
        {QStringLiteral("clientId"), s.client.clientId},
        {QStringLiteral("clientSecret"), s.client.clientSecret},
        {QStringLiteral("refreshToken"), s.tokens.refreshToken},
        {QStringLiteral("accessToken"), s.tokens.accessToken},
        {QStringLiteral("expiresAt"), s.tokens.expiresAt.toUTC().toString(Qt::ISODateWithMs)},
    };
    const QByteArray bytes = QJsonDocument(o).toJson();
    QSaveFile f(path_);
    if (!f.open(QIODevice::WriteOnly) ||
        !f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        f.write(bytes) != bytes.size() || !f.commit())
        return Status::failure(QStringLiteral("サインインの情報を「%1」に書き込めませんでした。(%2)")
                                   .arg(path_, f.errorString()));
    return {};
}

Status TokenStore::remove() const {
    if (QFile::exists(path_) && !QFile::remove(path_))
        return Status::failure(QStringLiteral("サインインの情報「%1」を削除できませんでした。").arg(path_));
    return {};
}
