#pragma once

#include <QString>
#include <functional>

#include "history/maildetails.h"
#include "store/apppaths.h"
#include "text/result.h"

// "Text Quick Save": the shown mail as a text file named after its subject
// in the quick-save folder, and nowhere else.
namespace QuickSave {

// The file name the subject gives ("<subject>.txt"), or why it gives none: a
// name must denote a file directly inside the folder, so no "/" or NUL, and
// at most 255 bytes in the file system's encoding. "*" and "?" are ordinary
// characters here.
Result<QString> fileNameFor(const QString& subject);

// The four labelled parts joined by CR LF: the file ends with one more CR
// LF, the text shown afterwards does not.
QString shownText(const MailDetails& shown);
QString fileText(const MailDetails& shown);

struct Outcome {
    enum class Kind { Saved, Declined, Failed };
    Kind kind;
    Error error;       // for Failed
    QString shownText; // for Saved: the new text of the text area
    QString path;      // the file, when the subject gave one
};

// Saves `shown` as Shift-JIS text. An existing file is replaced only when
// `confirmOverwrite` answers true, and only once the new text is complete on
// disk. A missing quick-save folder is made first.
Outcome save(const AppPaths& paths, const MailDetails& shown, const std::function<bool()>& confirmOverwrite);

} // namespace QuickSave
