#include "settings/trustedauthserv.h"

#include "settings/accountprofile.h"
#include "settings/inifile.h"

namespace {
const QString kSection = QStringLiteral("ACCOUNT");
const QString kKey = QStringLiteral("TRUSTED");
} // namespace

QString TrustedAuthserv::fileName(const QString& accountKey) {
    return accountKey == AccountProfile::kFirstKey ? kFileName
                                                   : QStringLiteral("authserv-%1.ini").arg(accountKey);
}

TrustedAuthserv::TrustedAuthserv(QString path) : path_(std::move(path)) {}

QString TrustedAuthserv::load() const {
    return IniFile(path_).read(kSection, kKey).trimmed().toLower();
}

Status TrustedAuthserv::save(const QString& authservId) const {
    return IniFile(path_).write(kSection, kKey, authservId.trimmed().toLower());
}
