#pragma once

#include <QByteArray>
#include <QByteArrayView>

// DKIM's two ways of writing a header field and a body before they are
// hashed (RFC 6376 section 3.4): "simple" keeps them as sent, "relaxed"
// forgives what mail servers on the way commonly change (case of names,
// folding, runs of white space, trailing empty lines).
namespace DkimCanonical {

enum class Form { Simple, Relaxed };

// `field` is the whole field as sent, "Name: value\r\n" with its folding.
QByteArray header(QByteArrayView field, Form form);
QByteArray body(QByteArrayView body, Form form);

} // namespace DkimCanonical
