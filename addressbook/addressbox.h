#pragma once

#include <QString>

#include "store/addressrecord.h"
#include "text/result.h"

// The rules of the address book window's address box: typing stops at 60
// characters; a text the program puts in may fill the record's 90, and one
// that would not fit is refused (AddressTooLong) rather than cut.
namespace AddressBox {

inline constexpr int kTypedChars = 60;
inline constexpr int kMaxChars = int(AddressRecord::kMaxChars);

// A text for the box from the clipboard or another window, or why it does not go in.
Result<QString> fill(const QString& text);

// 名刺挿入: the card name, "<", the trimmed address, ">". Refused when the
// address box or the card name is empty, or when the result does not fit.
Result<QString> insertBusinessCard(const QString& cardName, const QString& address);

} // namespace AddressBox
