#include "settings/autostartentry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// A string value of a desktop entry: backslash, line breaks and tabs escaped.
QString escapedValue(QString value) {
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    return value.replace(u'\t', QStringLiteral("\\t"));
}

// One quoted argument of Exec: ", `, $ and \ escaped inside the quotes and %
// doubled; the whole then escaped again as a string value.
QString execArgument(QString argument) {
    QString quoted;
    for (QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'%', QStringLiteral("%%"));
    return escapedValue(u'"' + quoted + u'"');
}

} // namespace

QString AutostartEntry::pathFor(const QString& xdgConfigHome, const QString& home) {
    // XDG base directories ignore a relative XDG_CONFIG_HOME.
    const QString config =
        QDir::isAbsolutePath(xdgConfigHome) ? xdgConfigHome : home + QStringLiteral("/.config");
    return QDir::cleanPath(config + QStringLiteral("/autostart/fennick.desktop"));
}

AutostartEntry AutostartEntry::forUser() {
    return AutostartEntry(pathFor(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath()));
}

QByteArray AutostartEntry::contents(const QString& program, const QString& folder) {
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Fennick\n"
                                        "Comment=Mail for one POP3 account, with a Japanese interface\n"
                                        "Exec=%1\n"
                                        "Path=%2\n"
                                        "Icon=fennick\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execArgument(program), escapedValue(folder));
    return text.toUtf8();
}

bool AutostartEntry::isInstalled() const {
    return QFileInfo(path_).isFile();
}

Status AutostartEntry::install(const QString& program, const QString& folder) const {
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir))
        return Status::failure({.kind = Error::Kind::FolderNotCreated, .path = dir});
    const QByteArray bytes = contents(program, folder);
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return Status::failure(
            {.kind = Error::Kind::SettingsNotWritten, .path = path_, .detail = out.errorString()});
    return {};
}

Status AutostartEntry::remove() const {
    if (QFileInfo::exists(path_) && !QFile::remove(path_))
        return Status::failure({.kind = Error::Kind::FileNotRemoved, .path = path_});
    return {};
}
