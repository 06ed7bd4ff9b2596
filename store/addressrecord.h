#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One correspondent of the address book: 184 bytes, a 90-byte Shift-JIS
// name, CR LF, a 16-bit little-endian status and a 90-byte address.
struct AddressRecord {
    static constexpr qsizetype kSize = 184;
    static constexpr qsizetype kNameOffset = 0, kNameWidth = 90;
    static constexpr qsizetype kSeparatorOffset = 90;
    static constexpr qsizetype kStatusOffset = 92;
    static constexpr qsizetype kLiveOffset = kStatusOffset; // what a rebuild keeps or drops by
    static constexpr qsizetype kAddressOffset = 94, kAddressWidth = 90;
    static constexpr qsizetype kMaxChars = 90;

    QString name;
    QString address;
    qint16 status = 1;

    QByteArray toBytes() const;
    static AddressRecord fromBytes(QByteArrayView bytes);

    friend bool operator==(const AddressRecord&, const AddressRecord&) = default;
};
