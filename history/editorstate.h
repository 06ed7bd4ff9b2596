#pragma once

#include <QString>

#include "text/result.h"

// Bold, italic or underline of the editor: pressed with an even count it turns
// the attribute on, with an odd one off. The count outlives the window, so a
// count left odd makes the first press after reopening switch the (already
// plain) attribute off.
struct FontToggle {
    qint16 count = 0;

    // The state the attribute takes now.
    bool press() {
        const bool on = count % 2 == 0;
        count = on ? 1 : 2;
        return on;
    }
};

// The text editor's state that lives for the whole run: the current file
// (set by New; loaded into the text area when the history window opens), the
// file chosen in an open or save dialog, whether the text has changed, the
// font toggles and the auto-save setting written at close.
struct EditorState {
    QString currentFileName;
    QString chosenFileName;
    bool changed = false;
    FontToggle bold, italic, underline;
    QString autoSave; // nothing assigns it; written to the settings store at close

    // The current file as plain Shift-JIS text; nothing when no file is named.
    Result<QString> loadCurrentFile() const;
};
