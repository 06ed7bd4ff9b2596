#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "history/editorstate.h"
#include "text/result.h"

// The editor's file commands New, Open and Save as, on the editor state and
// the editor text (CR LF line breaks), without a window.
namespace EditorFiles {

inline const QString kNewFileName = QStringLiteral("新規作成.TXT");

// "description|pattern;pattern" as a Qt file dialog filter "description (pattern pattern)".
QString qtFilter(const QString& designFilter);

// Everything up to and including the last "/"; empty when there is none.
QString folderPart(const QString& path);

// New: saves a changed text into the current file without asking (ignoring a
// failure), then makes "新規作成.TXT" beside it the current file, empty. When
// that file already holds something, confirmEmptying(that file) decides first.
// emptyEditor is called before the changed flag is cleared. Gives the new
// caption; nothing when New does nothing (the current file is already the new
// one, or the user keeps the existing file).
Result<std::optional<QString>> newFile(EditorState& state, const QString& text,
                                       const std::function<bool(const QString& file)>& confirmEmptying,
                                       const std::function<void()>& emptyEditor);

// Open: the chosen file's text with the line rule.
Result<QString> open(EditorState& state, const QString& path);

// The text Save as puts in the editor before it asks for a file.
QString withHeaderBlock(const QString& subject, const QString& from, const QString& date,
                        const QString& text);

// Save as: the text and CR LF into the chosen file. Gives the number of
// characters replaced by a placeholder.
Result<qsizetype> saveAs(EditorState& state, const QString& path, const QString& text);

} // namespace EditorFiles
