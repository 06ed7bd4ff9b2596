#pragma once

// mime/: mail as text: MIME decoding through GMime with our own charset layer,
// header texts, ISO-2022-JP, recipients, building outgoing mail, and the HTML
// mail convention between copies of the program.

#include <QByteArrayView>

#include "mime/receivedmessage.h"

// Turns the raw bytes of a message into a ReceivedMessage. GMime finds the
// structure and undoes base64 and quoted-printable; every text is decoded by
// our own charset layer, which knows Japanese mail.
namespace MimeDecoder {

ReceivedMessage decode(QByteArrayView raw);

} // namespace MimeDecoder
