#include "mime/htmlmailfolder.h"

#include "text/text.h"

namespace HtmlMailFolder {

bool isUsableName(const QString& subject) {
    const QString name = TrimSpaces(subject);
    if (name.isEmpty() || name == u'.' || name == QStringLiteral(".."))
        return false;
    if (subject.contains(u'/') || subject.contains(u'\\') || subject.contains(QChar(u'\0')))
        return false;
    return !AppPaths::isInstalledFolderName(name) && !AppPaths::isInstalledFolderName(subject);
}

std::optional<QString> pathFor(const AppPaths& paths, const QString& subject) {
    if (!isUsableName(subject))
        return std::nullopt;
    return paths.join(subject);
}

} // namespace HtmlMailFolder
