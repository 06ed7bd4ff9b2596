#pragma once

#include <QByteArrayView>
#include <QString>

// The sender a From header names: the name it shows and the address it is.
struct FromAddress {
    QString displayName; // decoded, quotes removed; may be empty
    QString address;     // as written, without the angle brackets

    // From the raw value of a From header (encoded words and all).
    static FromAddress parse(QByteArrayView rawValue);
    // The part after the last "@", in lower case.
    QString domain() const;
};
