#include "tests/support/pdftext.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QtEndian>

namespace {

// The decoded content of every stream of the file.
QList<QByteArray> streams(const QByteArray& pdf) {
    QList<QByteArray> out;
    qsizetype at = 0;
    for (;;) {
        const qsizetype keyword = pdf.indexOf("stream", at);
        if (keyword < 0)
            return out;
        qsizetype start = keyword + 6;
        if (pdf.mid(keyword - 3, 3) == "end") { // "endstream"
            at = start;
            continue;
        }
        if (pdf.mid(start, 2) == "\r\n")
            start += 2;
        else if (pdf.mid(start, 1) == "\n")
            start += 1;
        const qsizetype end = pdf.indexOf("endstream", start);
        if (end < 0)
            return out;
        const QByteArray dictionary =
            pdf.mid(pdf.lastIndexOf("obj", keyword), keyword - pdf.lastIndexOf("obj", keyword));
        QByteArray data = pdf.mid(start, end - start);
        if (dictionary.contains("FlateDecode")) {
            // qUncompress wants the expected size in front; it grows the buffer when short.
            QByteArray sized(4, '\0');
            qToBigEndian(quint32(data.size() * 8), sized.data());
            data = qUncompress(sized + data);
        }
        out << data;
        at = end + 9;
    }
}

QHash<uint, QString> toUnicode(const QByteArray& cmap) {
    QHash<uint, QString> map;
    auto hex = [](const QByteArray& h) { return h.toUInt(nullptr, 16); };
    auto unit = [&](const QByteArray& h) { return QString(QChar(char16_t(hex(h) == 9 ? 0x20 : hex(h)))); };
    static const QRegularExpression array(QStringLiteral("<(\\w+)> <(\\w+)> \\[([^\\]]*)\\]"));
    static const QRegularExpression sequence(QStringLiteral("<(\\w+)> <(\\w+)> <(\\w+)>"));
    static const QRegularExpression single(QStringLiteral("^<(\\w+)> <(\\w+)>$"));
    static const QRegularExpression code(QStringLiteral("<(\\w+)>"));
    for (const QByteArray& line : cmap.split('\n')) {
        const QString text = QString::fromLatin1(line.trimmed());
        if (const auto m = array.match(text); m.hasMatch()) {
            uint glyph = hex(m.captured(1).toLatin1());
            for (auto it = code.globalMatch(m.captured(3)); it.hasNext();)
                map.insert(glyph++, unit(it.next().captured(1).toLatin1()));
        } else if (const auto s = sequence.match(text); s.hasMatch()) {
            const uint first = hex(s.captured(1).toLatin1());
            const uint last = hex(s.captured(2).toLatin1());
            const uint target = hex(s.captured(3).toLatin1());
            for (uint g = first; g <= last; ++g)
                map.insert(g, QString(QChar(char16_t(target + g - first))));
        } else if (const auto c = single.match(text); c.hasMatch()) {
            map.insert(hex(c.captured(1).toLatin1()), unit(c.captured(2).toLatin1()));
        }
    }
    return map;
}

} // namespace

QString PdfText(const QByteArray& pdf) {
    const QList<QByteArray> all = streams(pdf);
    QList<QHash<uint, QString>> maps;
    for (const QByteArray& s : all)
        if (s.contains("begincmap"))
            maps << toUnicode(s);
    if (maps.size() != 1)
        return QString();
    static const QRegularExpression glyphs(QStringLiteral("<(\\w+)> Tj"));
    QString text;
    for (const QByteArray& s : all) {
        if (!s.contains("BT"))
            continue;
        for (const QByteArray& object : s.split('\n')) {
            if (object.trimmed() == "ET")
                text += u'\n';
            for (auto it = glyphs.globalMatch(QString::fromLatin1(object)); it.hasNext();) {
                const QString codes = it.next().captured(1);
                for (qsizetype i = 0; i + 4 <= codes.size(); i += 4)
                    text += maps[0].value(codes.mid(i, 4).toUInt(nullptr, 16));
            }
        }
    }
    return text;
}
