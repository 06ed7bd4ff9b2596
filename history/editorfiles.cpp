#include "history/editorfiles.h"

#include <QFileInfo>
#include <QStringList>

#include "history/textfile.h"

namespace EditorFiles {

QString qtFilter(const QString& designFilter) {
    const qsizetype bar = designFilter.indexOf(u'|');
    if (bar < 0)
        return designFilter;
    const QStringList patterns = designFilter.mid(bar + 1).split(u';', Qt::SkipEmptyParts);
    return designFilter.left(bar) + QStringLiteral(" (") + patterns.join(u' ') + u')';
}

QString folderPart(const QString& path) {
    return path.left(path.lastIndexOf(u'/') + 1);
}

Result<std::optional<QString>> newFile(EditorState& state, const QString& text,
                                       const std::function<bool(const QString& file)>& confirmEmptying,
                                       const std::function<void()>& emptyEditor) {
    using Outcome = Result<std::optional<QString>>;
    if (state.currentFileName.contains(kNewFileName))
        return Outcome(std::nullopt);
    const QString target = folderPart(state.currentFileName) + kNewFileName;
    if (QFileInfo(target).size() > 0 && !confirmEmptying(target))
        return Outcome(std::nullopt);
    if (state.changed)
        (void)TextFile::write(state.currentFileName, text); // no file named yet, for one: goes on
    const Result<qsizetype> emptied = TextFile::write(target, QString());
    if (!emptied)
        return Outcome::failure(emptied.error());
    emptyEditor();
    state.currentFileName = target;
    state.changed = false;
    return Outcome(kNewFileName + QStringLiteral("      ") + target);
}

Result<QString> open(EditorState& state, const QString& path) {
    state.chosenFileName = path;
    Result<QString> text = TextFile::read(path);
    state.chosenFileName.clear();
    return text;
}

QString withHeaderBlock(const QString& subject, const QString& from, const QString& date,
                        const QString& text) {
    return QStringLiteral("Subject:  ") + subject + QStringLiteral("\r\nFrom:  ") + from +
           QStringLiteral("\r\nDate:  ") + date + QStringLiteral("\r\nBody:  ") + text;
}

Result<qsizetype> saveAs(EditorState& state, const QString& path, const QString& text) {
    state.chosenFileName = path;
    Result<qsizetype> written = TextFile::write(path, text + QStringLiteral("\r\n"));
    state.chosenFileName.clear();
    return written;
}

} // namespace EditorFiles
