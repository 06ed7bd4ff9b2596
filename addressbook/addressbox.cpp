#include "addressbook/addressbox.h"

#include "text/text.h"

namespace AddressBox {

Result<QString> fill(const QString& text) {
    if (text.size() > kMaxChars)
        return Result<QString>::failure(
            {.kind = Error::Kind::AddressTooLong, .number = kMaxChars, .count = text.size()});
    return text;
}

Result<QString> insertBusinessCard(const QString& cardName, const QString& address) {
    if (address.isEmpty())
        return Result<QString>::failure({.kind = Error::Kind::NoAddressTyped});
    if (cardName.isEmpty())
        return Result<QString>::failure({.kind = Error::Kind::NoCardName});
    return fill(cardName + u'<' + TrimSpaces(address) + u'>');
}

} // namespace AddressBox
