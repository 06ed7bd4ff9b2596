#pragma once

#include <QByteArrayView>

#include "mime/receivedmessage.h"

// Turns the raw bytes of a message into a ReceivedMessage. GMime finds the
// structure and undoes base64 and quoted-printable; every text is decoded by
// our own charset layer, which knows Japanese mail.
namespace MimeDecoder {

ReceivedMessage decode(QByteArrayView raw);

// Plain text of an HTML body: tags removed, entities decoded.
QString htmlToText(const QString& html);

} // namespace MimeDecoder
