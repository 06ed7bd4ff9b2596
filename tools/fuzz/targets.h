#pragma once

// tools/fuzz/: the fuzz targets, shared by the libFuzzer programs and the
// ordinary test that replays the committed corpus. Each target feeds one
// input to a decoder or reader and checks what must hold for any input.

#include <QByteArrayView>
#include <QList>
#include <QString>

namespace FuzzTargets {

// Each returns the property the input broke, or an empty text. A crash or a
// sanitizer report is a finding too.
using Target = QString (*)(QByteArrayView input);

// A raw message through the MIME decoder, its attachments through the
// attachment writer and the whole message through the receiving side into a
// throwaway application folder: nothing may appear outside that folder.
QString mimeMessage(QByteArrayView input);

// A header value through the RFC 2047 / RFC 2231 decoders.
QString headerText(QByteArrayView input);

// Bytes through the Shift-JIS decoder, the charset layer under several
// labels and back out through the Shift-JIS field and ISO-2022-JP encoders.
QString japaneseText(QByteArrayView input);

// A record file of arbitrary bytes (first byte: which file, and whether a
// rebuild's working file lies beside it): every reader agrees on the whole
// records and none reads past a partial one.
QString recordFile(QByteArrayView input);

// An INI file of arbitrary bytes: values fit their buffer, a value written
// reads back, and every other value reads as before.
QString iniFile(QByteArrayView input);

// A POP3 server's whole output, played to a session in pieces (the first
// byte sets their size) that checks, fetches every listed message it can and
// deletes the fetched ones: it ends, deletes only what it fetched, and hands
// over only whole lines.
QString pop3Replies(QByteArrayView input);

// Bytes as UTF-8 HTML through the HTML-to-text pass: the text is no longer
// than the markup, trimmed, with CR LF line ends; text escaped as HTML reads
// back as it was; a script, style, title or comment never closed hides all
// after it.
QString htmlText(QByteArrayView input);

struct Named {
    const char* name; // also the folder of its corpus
    Target run;
};
QList<Named> all();

} // namespace FuzzTargets
