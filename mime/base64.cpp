#include "mime/base64.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

constexpr uint32_t kNotInAlphabet = 0x80000000u;

// The value of each byte shifted to its place in a group of four, so that
// four lookups OR-ed together give the group's 24 bits, or have the top bit
// set when any of the four is outside the alphabet.
struct Tables {
    std::array<std::array<uint32_t, 256>, 4> shifted{};
    constexpr Tables() {
        for (auto& table : shifted)
            table.fill(kNotInAlphabet);
        constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (uint32_t value = 0; value < 64; ++value) {
            const auto byte = static_cast<unsigned char>(alphabet[value]);
            for (int place = 0; place < 4; ++place)
                shifted[place][byte] = value << (18 - 6 * place);
        }
    }
};
constexpr Tables kTables;

} // namespace

QByteArray DecodeBase64(QByteArrayView encoded) {
    const auto& [first, second, third, fourth] = kTables.shifted;
    QByteArray out(encoded.size() / 4 * 3 + 3, Qt::Uninitialized);
    auto* to = reinterpret_cast<unsigned char*>(out.data());
    const auto* from = reinterpret_cast<const unsigned char*>(encoded.data());
    const auto* const end = from + encoded.size();
    auto put = [&to](uint32_t bits, int bytes) {
        for (int i = 0; i < bytes; ++i)
            *to++ = static_cast<unsigned char>(bits >> (16 - 8 * i));
    };
    uint32_t group = 0; // the bits of a group that a skipped byte interrupted
    int held = 0;       // characters in it
    auto close = [&] { // two characters make one byte, three make two
        put(group, std::max(held - 1, 0));
        group = 0;
        held = 0;
    };
    while (from < end) {
        // Whole groups of four, the common case between line breaks.
        if (held == 0)
            for (; end - from >= 4; from += 4) {
                const uint32_t bits = first[from[0]] | second[from[1]] | third[from[2]] | fourth[from[3]];
                if (bits & kNotInAlphabet)
                    break;
                put(bits, 3);
            }
        if (from == end)
            break;
        const unsigned char c = *from++;
        if (c == '=') {
            close();
            continue;
        }
        const uint32_t value = fourth[c];
        if (value & kNotInAlphabet)
            continue;
        group |= value << (18 - 6 * held);
        if (++held == 4)
            close();
    }
    close();
    out.truncate(to - reinterpret_cast<unsigned char*>(out.data()));
    return out;
}
