#include "store/apppaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

} // namespace

QString ResolveCaseInsensitive(const QString& folder, const QString& name) {
    const QString exact = joinPath(folder, name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries =
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return joinPath(folder, entry);
    return exact;
}

AppPaths::AppPaths(QString applicationFolder) : folder_(std::move(applicationFolder)) {}

QString AppPaths::join(const QString& relative) const {
    QString rest = relative;
    while (rest.startsWith(u'/'))
        rest.remove(0, 1);
    return joinPath(folder_, rest);
}

QString AppPaths::dataFolder() const {
    return ResolveCaseInsensitive(folder_, kDataFolder);
}
QString AppPaths::attachmentFolder() const {
    return ResolveCaseInsensitive(folder_, kAttachmentFolder);
}
QString AppPaths::quickSaveFolder() const {
    return ResolveCaseInsensitive(folder_, kQuickSaveFolder);
}
QString AppPaths::dataFile(const QString& name) const {
    return ResolveCaseInsensitive(dataFolder(), name);
}

bool AppPaths::isInstalledFolderName(const QString& name) {
    for (const QString& installed : {kDataFolder, kAttachmentFolder, kQuickSaveFolder})
        if (name.compare(installed, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

Status AppPaths::ensureLayout() const {
    for (const QString& folder : {dataFolder(), attachmentFolder(), quickSaveFolder()}) {
        if (QFileInfo(folder).isDir())
            continue;
        if (!QDir().mkpath(folder))
            return Status::failure({.kind = Error::Kind::FolderNotCreated, .path = folder});
    }
    for (const QString& file : {receivedMailFile(), sentMailFile()}) {
        if (QFileInfo::exists(file))
            continue;
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return Status::failure(
                {.kind = Error::Kind::FileNotCreated, .path = file, .detail = f.errorString()});
    }
    return {};
}
