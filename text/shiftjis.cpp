#include "text/shiftjis.h"

#include "text/iconvcodec.h"

#include <QtEndian>
#include <algorithm>
#include <array>
#include <memory>

namespace {

constexpr char kGeta[] = "\x81\xAC"; // the placeholder's bytes

// iconv_open loads a gconv module, so each direction is opened once per thread.
IconvCodec& toCp932() {
    thread_local IconvCodec c("CP932", "UTF-8");
    return c;
}

// Straight from QString's UTF-16, in this machine's byte order: no UTF-8
// copy on the way, which halves the cost of encoding a mail's body.
IconvCodec& utf16ToCp932() {
    thread_local IconvCodec c("CP932", Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE");
    return c;
}

IconvCodec& fromCp932() {
    thread_local IconvCodec c("UTF-8", "CP932");
    return c;
}

// The CP932 bytes of every UTF-16 unit as iconv gives them, asked of iconv
// once at first use: encoding a record is then a lookup per character
// instead of two conversion steps.
class Cp932Table {
  public:
    static constexpr quint16 kNone = 0xFFFF; // not in code page 932 (no lead byte is 0xFF)

    // nullptr when the table could not be read from iconv. Never freed, so
    // that a thread still encoding while the process exits reads valid memory.
    static const Cp932Table* instance() {
        static const Cp932Table* const table = build().release();
        return table;
    }
    // One byte below 0x100, else the lead byte above the trail byte.
    quint16 of(char16_t unit) const { return codes_[unit]; }

  private:
    static std::unique_ptr<Cp932Table> build() {
        IconvCodec& codec = utf16ToCp932();
        if (!codec.valid())
            return nullptr;
        auto table = std::make_unique<Cp932Table>();
        table->codes_.fill(kNone);
        // Unit by unit: a few milliseconds, where one pass over the plane
        // would restart iconv at each of its many unmapped characters.
        for (char32_t u = 0; u <= 0xFFFF; ++u) {
            const auto unit = char16_t(u);
            QByteArray bytes;
            if (QChar::isSurrogate(u) ||
                !codec.convertStrict(QByteArrayView(reinterpret_cast<const char*>(&unit), 2), bytes))
                continue;
            const auto lead = static_cast<unsigned char>(bytes.isEmpty() ? 0 : bytes[0]);
            if (bytes.size() == 1 && !ShiftJis::isLeadByte(lead))
                table->codes_[unit] = lead;
            else if (bytes.size() == 2 && ShiftJis::isLeadByte(lead))
                table->codes_[unit] = quint16(lead << 8 | static_cast<unsigned char>(bytes[1]));
            else
                return nullptr; // not a shape the table holds: iconv answers instead
        }
        return table;
    }

    std::array<quint16, 0x10000> codes_;
};

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
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return text.toLatin1();
    const Cp932Table* table = Cp932Table::instance();
    if (!table)
        return encodeThroughIconv(text, replaced);
    // Two bytes a unit at most (a surrogate pair's four units of room take
    // what iconv gives for it), written in place: appending byte by byte
    // cost more than the look-ups.
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    char* end = out.data();
    const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = units[i];
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(units[i + 1])) {
            // Beyond the plane iconv has its own rules (it drops the tag
            // characters of flag emoji, for one): ask it, pair by pair.
            qsizetype pairReplaced = 0;
            const QByteArray pair = encodeThroughIconv(text.mid(i, 2), pairReplaced);
            const qsizetype used = end - out.data();
            if (pair.size() > 4) { // never seen; room for it all the same
                out.resize(out.size() + pair.size());
                end = out.data() + used;
            }
            end = std::copy(pair.cbegin(), pair.cend(), end);
            replaced += pairReplaced;
            ++i;
            continue;
        }
        const quint16 code = QChar::isSurrogate(unit) ? Cp932Table::kNone : table->of(unit);
        if (code == Cp932Table::kNone) {
            *end++ = kGeta[0];
            *end++ = kGeta[1];
            ++replaced;
            continue;
        }
        if (code > 0xFF)
            *end++ = char(code >> 8);
        *end++ = char(code & 0xFF);
    }
    out.truncate(end - out.data());
    return out;
}

bool encodesThroughTable() {
    return Cp932Table::instance() != nullptr;
}

QByteArray encodeThroughIconv(const QString& text, qsizetype& replaced) {
    replaced = 0;
    static const QByteArray geta(kGeta, 2);
    IconvCodec& c = utf16ToCp932();
    if (!c.valid())
        return QByteArray(); // never happens with glibc; keeps the contract of no crash
    const QByteArrayView units(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return c.convert(units, [&replaced](QByteArrayView rest, QByteArray& replacement) {
        replacement = geta;
        ++replaced;
        // One character: a unit, or a whole surrogate pair.
        const auto unit = [&rest](qsizetype i) {
            return QChar(qFromUnaligned<char16_t>(rest.data() + 2 * i));
        };
        const bool pair = rest.size() >= 4 && unit(0).isHighSurrogate() && unit(1).isLowSurrogate();
        return std::min<qsizetype>(pair ? 4 : 2, rest.size());
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
