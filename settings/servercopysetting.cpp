#include "settings/servercopysetting.h"

#include "settings/inifile.h"

namespace {

const QString kSection = QStringLiteral("SERVERCOPY");
const QString kMode = QStringLiteral("MODE");
const QString kDays = QStringLiteral("DAYS");

using Mode = ServerCopy::Mode;

QString modeValue(Mode mode) {
    switch (mode) {
    case Mode::DeleteAfterFetch:
        return QStringLiteral("delete");
    case Mode::Keep:
        return QStringLiteral("keep");
    case Mode::DeleteAfterDays:
        return QStringLiteral("days");
    case Mode::DeleteWithHistory:
        return QStringLiteral("history");
    }
    return {};
}

} // namespace

ServerCopy ServerCopySetting::read(const QString& accountFile) {
    const IniFile ini(accountFile, 0600);
    ServerCopy copy;
    const QString mode = ini.read(kSection, kMode).trimmed().toLower();
    for (Mode m : {Mode::Keep, Mode::DeleteAfterDays, Mode::DeleteWithHistory})
        if (mode == modeValue(m))
            copy.mode = m;
    bool ok = false;
    const int days = ini.read(kSection, kDays).trimmed().toInt(&ok);
    if (ok && days >= 1 && days <= kMaxDays)
        copy.days = days;
    return copy;
}

Status ServerCopySetting::write(const QString& accountFile, const ServerCopy& copy) {
    const IniFile ini(accountFile, 0600);
    if (Status s = ini.write(kSection, kMode, modeValue(copy.mode)); !s)
        return s;
    return ini.write(kSection, kDays, QString::number(copy.days));
}
