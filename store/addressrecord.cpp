#include "store/addressrecord.h"

#include "text/shiftjis.h"

QByteArray AddressRecord::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    out += ShiftJis::encodeField(name.left(kMaxChars), kNameWidth);
    out += "\r\n";
    out += char(quint16(status) & 0xFF);
    out += char(quint16(status) >> 8);
    out += ShiftJis::encodeField(address.left(kMaxChars), kAddressWidth);
    return out;
}

AddressRecord AddressRecord::fromBytes(QByteArrayView bytes) {
    AddressRecord r;
    r.name = ShiftJis::decode(bytes.sliced(kNameOffset, kNameWidth));
    const auto lo = static_cast<unsigned char>(bytes.at(kStatusOffset));
    const auto hi = static_cast<unsigned char>(bytes.at(kStatusOffset + 1));
    r.status = qint16(quint16(lo | (hi << 8)));
    r.address = ShiftJis::decode(bytes.sliced(kAddressOffset, kAddressWidth));
    return r;
}
