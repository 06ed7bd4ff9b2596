#include "mime/charsets.h"

#include <QStringDecoder>
#include <optional>

#include "text/iconvcodec.h"
#include "text/shiftjis.h"

namespace {

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

bool oneOf(const QByteArray& label, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (label == n)
            return true;
    return false;
}

std::optional<QString> strictUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QString decodeEucJp(QByteArrayView bytes) {
    thread_local IconvCodec codec("UTF-8", "EUC-JP-MS");
    if (!codec.valid())
        return Charsets::decodeUnlabelled(bytes);
    return QString::fromUtf8(codec.convert(bytes, [](QByteArrayView, QByteArray& replacement) {
        replacement = QByteArray("\xEF\xBF\xBD");
        return qsizetype(1);
    }));
}

QString decodeIso2022Jp(QByteArrayView bytes) {
    // Real mail often labels raw Shift-JIS as ISO-2022-JP; a 7-bit encoding
    // cannot contain 8-bit bytes, so those are taken for what they are.
    if (!isAscii(bytes))
        return ShiftJis::decode(bytes);
    // Encoded-words joined back together leave "ESC ( B" right before the
    // next "ESC $ B"; ICU takes that empty ASCII run for an error.
    QByteArray joined = bytes.toByteArray();
    joined.replace("\x1b(B\x1b", "\x1b");
    // Opening an ICU converter costs more than decoding a whole mail.
    thread_local QStringDecoder decoder("ISO-2022-JP");
    if (!decoder.isValid())
        return QString::fromLatin1(joined);
    decoder.resetState();
    return decoder.decode(joined);
}

} // namespace

namespace Charsets {

QString decodeUnlabelled(QByteArrayView bytes) {
    // Old mailers put raw ISO-2022-JP into headers: 7-bit, but not ASCII text.
    if (bytes.contains("\x1b$B") || bytes.contains("\x1b$@") || bytes.contains("\x1b(J"))
        return decodeIso2022Jp(bytes);
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (auto utf8 = strictUtf8(bytes))
        return *utf8;
    return ShiftJis::decode(bytes);
}

QString decode(QByteArrayView bytes, QByteArrayView rawLabel) {
    QByteArray label = rawLabel.trimmed().toByteArray().toLower();
    // RFC 2231 allows a language after the charset: "iso-2022-jp*ja".
    if (const qsizetype star = label.indexOf('*'); star >= 0)
        label.truncate(star);
    if (label.startsWith('"') && label.endsWith('"') && label.size() >= 2)
        label = label.mid(1, label.size() - 2);

    if (label.isEmpty() || oneOf(label, {"us-ascii", "ascii", "unknown-8bit", "x-unknown", "8bit"}))
        return decodeUnlabelled(bytes);
    if (oneOf(label, {"shift_jis", "shift-jis", "sjis", "x-sjis", "windows-31j", "cp932", "ms932", "ms_kanji",
                      "csshiftjis", "cswindows31j", "x-ms-cp932", "ibm-943", "shift_jisx0213"}))
        return ShiftJis::decode(bytes);
    if (label.startsWith("iso-2022-jp") || label == "csiso2022jp" || label == "csiso2022jp2")
        return decodeIso2022Jp(bytes);
    if (oneOf(label, {"euc-jp", "eucjp", "x-euc-jp", "x-euc", "cseucpkdfmtjapanese", "euc-jp-ms"}))
        return decodeEucJp(bytes);
    if (oneOf(label, {"utf-8", "utf8"})) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        return decoder.decode(bytes);
    }
    QStringDecoder decoder(label.constData());
    if (!decoder.isValid())
        return decodeUnlabelled(bytes);
    return decoder.decode(bytes);
}

} // namespace Charsets
