#include "text/shiftjis.h"

#include "text/iconvcodec.h"

#include <algorithm>

namespace {

// iconv_open loads a gconv module, so each direction is opened once per thread.
IconvCodec& toCp932() {
    thread_local IconvCodec c("CP932", "UTF-8");
    return c;
}

IconvCodec& fromCp932() {
    thread_local IconvCodec c("UTF-8", "CP932");
    return c;
}

qsizetype utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

} // namespace

namespace ShiftJis {

QByteArray encode(const QString& text) {
    qsizetype replaced = 0;
    return encode(text, replaced);
}

QByteArray encode(const QString& text, qsizetype& replaced) {
    replaced = 0;
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8))
        return utf8;
    static const QByteArray geta = QByteArray("\x81\xAC");
    IconvCodec& c = toCp932();
    if (!c.valid())
        return QByteArray(); // never happens with glibc; keeps the contract of no crash
    return c.convert(utf8, [&replaced](QByteArrayView rest, QByteArray& replacement) {
        replacement = geta;
        ++replaced;
        return std::min(utf8SequenceLength(static_cast<unsigned char>(rest.front())), rest.size());
    });
}

QString decode(QByteArrayView bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    IconvCodec& c = fromCp932();
    if (!c.valid())
        return QString(bytes.size(), QChar::ReplacementCharacter);
    const QByteArray utf8 = c.convert(bytes, [](QByteArrayView, QByteArray& replacement) {
        replacement = QByteArray("\xEF\xBF\xBD");
        return qsizetype(1);
    });
    return QString::fromUtf8(utf8);
}

std::optional<QByteArray> encodeStrict(const QString& text) {
    QByteArray out;
    if (!toCp932().convertStrict(text.toUtf8(), out))
        return std::nullopt;
    return out;
}

QByteArray encodeField(const QString& text, qsizetype width) {
    // Every character takes at least one byte, so nothing past `width`
    // characters can reach the field; this keeps a huge body cheap.
    qsizetype chars = width;
    if (chars < text.size() && chars > 0 && text.at(chars - 1).isHighSurrogate())
        ++chars; // keep a surrogate pair whole
    QByteArray bytes = encode(text.size() > chars ? text.left(chars) : text);
    if (bytes.size() > width) {
        qsizetype keep = 0;
        while (keep < width) {
            const qsizetype len = isLeadByte(static_cast<unsigned char>(bytes.at(keep))) ? 2 : 1;
            if (keep + len > width)
                break;
            keep += len;
        }
        bytes.truncate(keep);
    }
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), ' ');
    return bytes;
}

} // namespace ShiftJis
