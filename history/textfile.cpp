#include "history/textfile.h"

#include <QFile>
#include <QSaveFile>

#include "text/shiftjis.h"

namespace TextFile {

QString withLineRule(const QString& text) {
    QString out;
    out.reserve(text.size() + text.size() / 32 + 2);
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\r')
            continue;
        out += QStringView(text).sliced(lineStart, i - lineStart);
        out += u"\r\n";
        if (i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lineStart = i + 1;
    }
    if (lineStart < text.size()) {
        out += QStringView(text).sliced(lineStart);
        out += u"\r\n";
    }
    return out;
}

Result<QString> read(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return Result<QString>::failure(
            {.kind = Error::Kind::FileNotOpened, .path = path, .detail = f.errorString()});
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return Result<QString>::failure(
            {.kind = Error::Kind::FileNotRead, .path = path, .detail = f.errorString()});
    return withLineRule(ShiftJis::decode(bytes));
}

Result<qsizetype> write(const QString& path, const QString& text) {
    qsizetype replaced = 0;
    const QByteArray bytes = ShiftJis::encode(text, replaced);
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return Result<qsizetype>::failure(
            {.kind = Error::Kind::FileNotWritten, .path = path, .detail = f.errorString()});
    return replaced;
}

} // namespace TextFile
