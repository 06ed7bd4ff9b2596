#include "history/editorsettings.h"

#include <QSettings>

namespace EditorSettings {

Status writeAtClose(const QString& autoSave) {
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, kApplication);
    // Each section gets a key before it is removed, so the removal always has
    // something to remove.
    for (const QString& section : {QStringLiteral("HIST"), QStringLiteral("OKINI")}) {
        store.setValue(section + QStringLiteral("/0"), QStringLiteral("EMPTY"));
        store.remove(section);
    }
    store.setValue(QStringLiteral("FLAG/AUTOSAVE"), autoSave);
    store.sync();
    if (store.status() != QSettings::NoError)
        return Status::failure({.kind = Error::Kind::SettingsNotWritten, .path = store.fileName()});
    return {};
}

} // namespace EditorSettings
