#pragma once

#include <QString>

#include "text/result.h"

// The rules of the address book window's address box: it holds at most 60
// characters, and a text that would not fit is refused with a message
// rather than cut.
namespace AddressBox {

inline constexpr int kMaxChars = 60;

// The text for the box, or why it does not go in.
Result<QString> fill(const QString& text);

// 名刺挿入: the card name, "<", the trimmed address, ">". Refused when the
// address box or the card name is empty, or when the result does not fit.
Result<QString> insertBusinessCard(const QString& cardName, const QString& address);

} // namespace AddressBox
