#pragma once

#include <QString>

#include "text/result.h"

// The text editor's state that lives for the whole run: the current file
// (set by New; loaded into the text area when the history window opens), the
// file chosen in an open or save dialog, and whether the text has changed.
struct EditorState {
    QString currentFileName;
    QString chosenFileName;
    bool changed = false;

    // The current file as plain Shift-JIS text; nothing when no file is named.
    Result<QString> loadCurrentFile() const;
};
