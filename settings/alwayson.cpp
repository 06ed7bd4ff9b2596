#include "settings/alwayson.h"

#include "settings/inifile.h"

namespace {

const QString kSection = QStringLiteral("ALWAYSON");
const QString kMinutes = QStringLiteral("CHECKMINUTES");
const QString kAtStart = QStringLiteral("CHECKATSTART");
const QString kOnClose = QStringLiteral("ONCLOSE");

QString onCloseValue(AlwaysOn::OnClose onClose) {
    switch (onClose) {
    case AlwaysOn::OnClose::Ask:
        return {};
    case AlwaysOn::OnClose::KeepInTray:
        return QStringLiteral("tray");
    case AlwaysOn::OnClose::Quit:
        return QStringLiteral("quit");
    }
    return {};
}

} // namespace

const QList<int> AlwaysOn::kMinuteChoices = {0, 5, 10, 15, 30, 60};

AlwaysOn AlwaysOn::read(const QString& accountFile) {
    const IniFile ini(accountFile, 0600);
    AlwaysOn a;
    const int minutes = ini.read(kSection, kMinutes).trimmed().toInt();
    a.checkMinutes = kMinuteChoices.contains(minutes) ? minutes : 0;
    a.checkAtStart = ini.read(kSection, kAtStart).trimmed() == QStringLiteral("1");
    const QString onClose = ini.read(kSection, kOnClose).trimmed().toLower();
    for (OnClose o : {OnClose::KeepInTray, OnClose::Quit})
        if (onClose == onCloseValue(o))
            a.onClose = o;
    return a;
}

Status AlwaysOn::write(const QString& accountFile) const {
    const IniFile ini(accountFile, 0600);
    if (Status s = ini.write(kSection, kMinutes, QString::number(checkMinutes)); !s)
        return s;
    if (Status s = ini.write(kSection, kAtStart, checkAtStart ? QStringLiteral("1") : QStringLiteral("0"));
        !s)
        return s;
    return ini.write(kSection, kOnClose, onCloseValue(onClose));
}

AlwaysOn::CloseStep AlwaysOn::closeStep(bool trayShown, bool quitChosen) const {
    if (!trayShown || quitChosen || onClose == OnClose::Quit)
        return CloseStep::Quit;
    return onClose == OnClose::Ask ? CloseStep::Ask : CloseStep::HideToTray;
}
