#pragma once

#include <QString>

#include "text/result.h"

// What the history window leaves in the per-user settings store when it
// closes (Qt's QSettings, native format; on Linux ~/.config/Fennick/tomsel.conf).
// Nothing in the program reads these values back.
namespace EditorSettings {

inline const QString kOrganisation = QStringLiteral("Fennick");
inline const QString kApplication = QStringLiteral("tomsel");

// Empties the sections HIST and OKINI and writes FLAG/AUTOSAVE.
Status writeAtClose(const QString& autoSave);

} // namespace EditorSettings
