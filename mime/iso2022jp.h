#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// ISO-2022-JP (RFC 1468) as Japanese mail readers expect it: ASCII and JIS X
// 0208. Characters that Windows users type in their CP932 forms (～ ∥ － ￠ ￡
// ￢) map to their JIS X 0208 places. Gives nothing when any character lies
// outside (NEC row 13 such as ①, IBM extensions such as 髙, half-width
// katakana, emoji): such text goes out as UTF-8 instead of losing a character.
namespace Iso2022Jp {

std::optional<QByteArray> encode(const QString& text);

} // namespace Iso2022Jp
