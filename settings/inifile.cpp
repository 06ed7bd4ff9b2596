#include "settings/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <sys/stat.h>

#include "text/shiftjis.h"

namespace {

constexpr qsizetype kValueBufferBytes = 256;

QStringList readLines(const QString& path, bool* endsWithNewline = nullptr) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    if (endsWithNewline)
        *endsWithNewline = bytes.isEmpty() || bytes.endsWith('\n');
    QStringList lines = ShiftJis::decode(bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(u'\r'))
            l.chop(1);
    return lines;
}

QString trimmedWhite(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t'))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t'))
        --e;
    return s.mid(b, e - b);
}

// "[name]" -> name; a null string for any other line.
QString sectionName(const QString& line) {
    const QString t = trimmedWhite(line);
    if (!t.startsWith(u'[') || !t.contains(u']'))
        return {};
    return trimmedWhite(t.mid(1, t.indexOf(u']') - 1));
}

bool isKeyLine(const QString& line, const QString& key) {
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    const QString t = trimmedWhite(line);
    if (t.startsWith(u';'))
        return false;
    return trimmedWhite(line.left(eq)).compare(key, Qt::CaseInsensitive) == 0;
}

// What a 256-byte buffer keeps of a value: 255 bytes, no half character.
QString fitBuffer(const QString& value) {
    const QByteArray bytes = ShiftJis::encode(value);
    if (bytes.size() < kValueBufferBytes)
        return value;
    qsizetype keep = 0;
    while (keep < kValueBufferBytes - 1) {
        const qsizetype len = ShiftJis::isLeadByte(static_cast<unsigned char>(bytes.at(keep))) ? 2 : 1;
        if (keep + len > kValueBufferBytes - 1)
            break;
        keep += len;
    }
    return ShiftJis::decode(bytes.left(keep));
}

} // namespace

IniFile::IniFile(QString path, int createMode) : path_(std::move(path)), createMode_(createMode) {}

QString IniFile::read(const QString& section, const QString& key) const {
    const QStringList lines = readLines(path_);
    bool inSection = false;
    for (const QString& line : lines) {
        const QString name = sectionName(line);
        if (!name.isNull()) {
            inSection = name.compare(section, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection || !isKeyLine(line, key))
            continue;
        QString value = trimmedWhite(line.mid(line.indexOf(u'=') + 1));
        if (value.size() >= 2 && ((value.startsWith(u'"') && value.endsWith(u'"')) ||
                                  (value.startsWith(u'\'') && value.endsWith(u'\''))))
            value = value.mid(1, value.size() - 2);
        return fitBuffer(value);
    }
    return {};
}

Status IniFile::write(const QString& section, const QString& key, const QString& value) const {
    const bool existed = QFileInfo::exists(path_);
    QStringList lines = readLines(path_);
    const QString entry = key + u'=' + value;
    qsizetype sectionStart = -1;
    qsizetype insertAt = -1;
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        const QString name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break; // the next section begins
            if (name.compare(section, Qt::CaseInsensitive) == 0) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        if (isKeyLine(lines[i], key)) {
            lines[i] = entry;
            replaced = true;
        } else if (!trimmedWhite(lines[i]).isEmpty()) {
            insertAt = i + 1;
        }
    }
    if (!replaced) {
        if (sectionStart >= 0) {
            lines.insert(insertAt, entry);
        } else {
            lines.append(u'[' + section + u']');
            lines.append(entry);
        }
    }

    QByteArray bytes;
    for (const QString& line : std::as_const(lines))
        bytes += ShiftJis::encode(line) + "\r\n";
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return Status::failure(QStringLiteral("設定ファイル「%1」に書き込めません。").arg(path_));
    // The new file gets the old file's mode, or the requested one when it is
    // new, before it replaces anything: a password is never readable by others.
    struct stat st {};
    const mode_t mode = existed && ::stat(QFile::encodeName(path_).constData(), &st) == 0
                            ? (st.st_mode & 07777)
                            : mode_t(createMode_);
    ::fchmod(out.handle(), mode);
    if (out.write(bytes) != bytes.size() || !out.commit())
        return Status::failure(QStringLiteral("設定ファイル「%1」に書き込めません。").arg(path_));
    return {};
}
