#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

// Shift-JIS as Windows writes it (code page 932, with the NEC and IBM
// extensions), through glibc's iconv "CP932". Every text the program keeps in
// a file goes through here.
namespace ShiftJis {

// Stands in for a character that code page 932 cannot hold (an emoji, many
// Chinese characters): the geta mark, the customary Japanese placeholder.
inline constexpr char16_t kUnmappable = u'\u3013';

QByteArray encode(const QString& text);
// The same, counting the characters that became the placeholder.
QByteArray encode(const QString& text, qsizetype& replaced);
// What encode() gives, straight from iconv; encode() uses it when its table
// of iconv's answers cannot be built (encodesThroughTable() is then false).
QByteArray encodeThroughIconv(const QString& text, qsizetype& replaced);
bool encodesThroughTable();

// std::nullopt when any character has no code in code page 932.
std::optional<QByteArray> encodeStrict(const QString& text);

// Invalid or truncated byte sequences become U+FFFD; NUL bytes stay NUL.
QString decode(QByteArrayView bytes);

// Encodes and fits the text to exactly `width` bytes: cut without ever
// keeping half of a double-byte character (its lone byte becomes a space),
// then padded with ASCII spaces.
QByteArray encodeField(const QString& text, qsizetype width);

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace ShiftJis
