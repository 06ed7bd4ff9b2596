#include "store/shiftjis.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// iconv_open loads a gconv module, so each direction is opened once per thread.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts `in`; at a sequence it cannot convert, calls onBad(remaining
    // input) which appends a replacement to out and says how many bytes to skip.
    template <typename OnBad> QByteArray run(QByteArrayView in, qsizetype outFactor, OnBad onBad) {
        QByteArray out;
        out.resize(in.size() * outFactor + 16);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = size_t(in.size());
        char* dst = out.data();
        size_t dstLeft = size_t(out.size());
        while (srcLeft > 0) {
            if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
                break;
            if (errno == E2BIG) {
                const qsizetype used = dst - out.data();
                out.resize(out.size() * 2);
                dst = out.data() + used;
                dstLeft = size_t(out.size() - used);
                continue;
            }
            // EILSEQ or EINVAL: an unconvertible or truncated sequence.
            QByteArray replacement;
            const qsizetype skip = onBad(QByteArrayView(src, qsizetype(srcLeft)), replacement);
            const qsizetype used = dst - out.data();
            if (size_t(replacement.size()) > dstLeft) {
                out.resize(out.size() * 2 + replacement.size());
                dst = out.data() + used;
                dstLeft = size_t(out.size() - used);
            }
            memcpy(dst, replacement.constData(), size_t(replacement.size()));
            dst += replacement.size();
            dstLeft -= size_t(replacement.size());
            src += skip;
            srcLeft -= size_t(skip);
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        out.truncate(dst - out.data());
        return out;
    }

private:
    iconv_t cd_;
};

Converter& toCp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

Converter& fromCp932() {
    thread_local Converter c("UTF-8", "CP932");
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
    const QByteArray utf8 = text.toUtf8();
    if (isAscii(utf8))
        return utf8;
    static const QByteArray geta = QByteArray("\x81\xAC");
    Converter& c = toCp932();
    if (!c.valid())
        return QByteArray(); // never happens with glibc; keeps the contract of no crash
    return c.run(utf8, 1, [](QByteArrayView rest, QByteArray& replacement) {
        replacement = geta;
        return std::min(utf8SequenceLength(static_cast<unsigned char>(rest.front())), rest.size());
    });
}

QString decode(QByteArrayView bytes) {
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    Converter& c = fromCp932();
    if (!c.valid())
        return QString(bytes.size(), QChar::ReplacementCharacter);
    const QByteArray utf8 = c.run(bytes, 3, [](QByteArrayView, QByteArray& replacement) {
        replacement = QByteArray("\xEF\xBF\xBD");
        return qsizetype(1);
    });
    return QString::fromUtf8(utf8);
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
