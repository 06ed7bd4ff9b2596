#include "mime/iso2022jp.h"

#include "text/shiftjis.h"

namespace {

// Lead bytes of Shift-JIS that address JIS X 0208 rows 1-8 and 16-84.
bool isJisX0208Lead(unsigned char b) {
    return (b >= 0x81 && b <= 0x84) || (b >= 0x88 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEA);
}

// Shift-JIS double byte to the JIS X 0208 row/cell bytes (0x21-0x7E each).
bool toJis(unsigned char lead, unsigned char trail, char out[2]) {
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC)
        return false;
    int row = (lead <= 0x9F ? lead - 0x70 : lead - 0xB0) * 2;
    int cell;
    if (trail >= 0x9F) {
        cell = trail - 0x7E;
    } else {
        --row;
        cell = trail - (trail >= 0x80 ? 0x20 : 0x1F);
    }
    if (row < 0x21 || row > 0x74 || cell < 0x21 || cell > 0x7E)
        return false;
    out[0] = char(row);
    out[1] = char(cell);
    return true;
}

} // namespace

namespace Iso2022Jp {

std::optional<QByteArray> encode(const QString& text) {
    const std::optional<QByteArray> sjis = ShiftJis::encodeStrict(text);
    if (!sjis)
        return std::nullopt;
    QByteArray out;
    out.reserve(sjis->size() * 2);
    bool kanji = false;
    for (qsizetype i = 0; i < sjis->size(); ++i) {
        const auto b = static_cast<unsigned char>(sjis->at(i));
        if (b < 0x80) {
            if (b == 0x1B || b == 0x0E || b == 0x0F)
                return std::nullopt; // would be read as a shift sequence
            if (kanji) {
                out += "\x1b(B";
                kanji = false;
            }
            out += char(b);
            continue;
        }
        if (!isJisX0208Lead(b) || i + 1 >= sjis->size())
            return std::nullopt;
        char jis[2];
        if (!toJis(b, static_cast<unsigned char>(sjis->at(i + 1)), jis))
            return std::nullopt;
        if (!kanji) {
            out += "\x1b$B";
            kanji = true;
        }
        out.append(jis, 2);
        ++i;
    }
    if (kanji)
        out += "\x1b(B";
    return out;
}

} // namespace Iso2022Jp
