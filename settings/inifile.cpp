#include "settings/inifile.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <sys/stat.h>

#include "text/shiftjis.h"

namespace {

constexpr qsizetype kValueBufferBytes = 256;

// A line of the file: its bytes as they are on disk, for writing back
// untouched, and its text, for matching.
struct Line {
    QByteArray bytes;
    QString text;
};

// Lines end at CR LF, LF or a lone CR (as old Mac editors save); none of
// those bytes occurs inside a Shift-JIS character.
QList<Line> readLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = f.readAll();
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        const QByteArray line = bytes.mid(start, i - start);
        lines.append({line, ShiftJis::decode(line)});
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size()) {
        const QByteArray line = bytes.mid(start);
        lines.append({line, ShiftJis::decode(line)});
    }
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
    bool inSection = false;
    for (const Line& raw : readLines(path_)) {
        const QString& line = raw.text;
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
    QList<Line> lines = readLines(path_);
    const QString text = key + u'=' + value;
    const Line entry{ShiftJis::encode(text), text};
    qsizetype sectionStart = -1;
    qsizetype insertAt = -1;
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size() && !replaced; ++i) {
        const QString name = sectionName(lines[i].text);
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
        if (isKeyLine(lines[i].text, key)) {
            lines[i] = entry;
            replaced = true;
        } else if (!trimmedWhite(lines[i].text).isEmpty()) {
            insertAt = i + 1;
        }
    }
    if (!replaced) {
        if (sectionStart >= 0) {
            lines.insert(insertAt, entry);
        } else {
            const QString header = u'[' + section + u']';
            lines.append({ShiftJis::encode(header), header});
            lines.append(entry);
        }
    }

    // Every other line goes back byte for byte, even bytes that are no
    // Shift-JIS: decoding and encoding them again would change them.
    QByteArray bytes;
    for (const Line& line : std::as_const(lines))
        bytes += line.bytes + "\r\n";
    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly))
        return Status::failure({.kind = Error::Kind::SettingsNotWritten, .path = path_});
    // The new file gets the old file's mode, or the requested one when it is
    // new, before it replaces anything: a password is never readable by others.
    struct stat st {};
    const mode_t mode = existed && ::stat(QFile::encodeName(path_).constData(), &st) == 0
                            ? (st.st_mode & 07777)
                            : mode_t(createMode_);
    ::fchmod(out.handle(), mode);
    if (out.write(bytes) != bytes.size() || !out.commit())
        return Status::failure({.kind = Error::Kind::SettingsNotWritten, .path = path_});
    return {};
}
