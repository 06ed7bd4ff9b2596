#include "settings/accountfile.h"

#include <QDir>
#include <QFileInfo>

#include "settings/inifile.h"
#include "settings/tokenstore.h"

namespace {
const QString kSection = QStringLiteral("EXEINI");
} // namespace

AccountFile::AccountFile(QString path) : path_(std::move(path)) {}

Account AccountFile::load() const {
    const IniFile ini(path_, 0600);
    return {ini.read(kSection, QStringLiteral("NAME")), ini.read(kSection, QStringLiteral("NAME2")),
            TokenStore(tokenStoreFile()).load().has_value()};
}

QString AccountFile::tokenStoreFile() const {
    return QFileInfo(path_).dir().filePath(TokenStore::kFileName);
}

Account AccountFile::loadForCheck(const std::optional<Account>& unsaved) const {
    const Account stored = load();
    if (unsaved && stored != *unsaved)
        return *unsaved;
    return stored;
}

Status AccountFile::confirm(const Account& account, bool save) const {
    const IniFile ini(path_, 0600);
    if (!save)
        return ini.write(kSection, QStringLiteral("NAME3"), QStringLiteral("0"));
    if (Status s = ini.write(kSection, QStringLiteral("NAME"), account.id); !s)
        return s;
    if (Status s = ini.write(kSection, QStringLiteral("NAME2"), account.password); !s)
        return s;
    return ini.write(kSection, QStringLiteral("NAME3"), QStringLiteral("1"));
}

Status AccountFile::setId(const QString& id) const {
    return IniFile(path_, 0600).write(kSection, QStringLiteral("NAME"), id);
}
