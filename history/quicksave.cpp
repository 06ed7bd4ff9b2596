#include "history/quicksave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "text/shiftjis.h"
#include "text/text.h"

namespace QuickSave {

namespace {

constexpr qsizetype kNameMax = 255; // NAME_MAX of the usual file systems

} // namespace

Result<QString> fileNameFor(const QString& subject) {
    const QString name = subject + QStringLiteral(".txt");
    if (name.contains(u'/') || name.contains(QChar(u'\0')))
        return Result<QString>::failure({.kind = Error::Kind::SubjectWithSlash});
    if (QFile::encodeName(name).size() > kNameMax)
        return Result<QString>::failure({.kind = Error::Kind::SubjectTooLong});
    return name;
}

QString shownText(const MailDetails& shown) {
    return QStringLiteral("Subject:  ") + shown.subject + QStringLiteral("\r\nFrom:  ") + shown.party +
           QStringLiteral("\r\nDate:  ") + shown.date + QStringLiteral("\r\nBody:  ") + shown.text;
}

QString fileText(const MailDetails& shown) {
    return ToCrLf(shownText(shown)) + QStringLiteral("\r\n");
}

Outcome save(const AppPaths& paths, const MailDetails& shown, const std::function<bool()>& confirmOverwrite) {
    const Result<QString> name = fileNameFor(shown.subject);
    if (!name)
        return {Outcome::Kind::Failed, name.error(), {}, {}};
    const QString folder = paths.quickSaveFolder();
    if (!QDir().mkpath(folder))
        return {Outcome::Kind::Failed, {.kind = Error::Kind::FolderNotCreated, .path = folder}, {}, {}};
    const QString path = QDir(folder).filePath(*name);
    if (QFileInfo(path).exists() && !confirmOverwrite())
        return {Outcome::Kind::Declined, {}, {}, path};
    // Written beside the old file and renamed over it: a save cut short leaves the old file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ShiftJis::encode(fileText(shown))) < 0 ||
        !file.commit())
        return {Outcome::Kind::Failed,
                {.kind = Error::Kind::FileNotWritten, .path = path, .detail = file.errorString()},
                {},
                path};
    return {Outcome::Kind::Saved, {}, shownText(shown), path};
}

} // namespace QuickSave
