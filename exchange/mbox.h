#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// The mbox format: messages one after another, each after a "From " line.
// Written as mboxrd: a body line that starts with any number of '>' and
// "From " gets one '>' more. Read as mboxrd, which also reads mboxo (whose
// writers quote only "From " itself): one '>' comes off each such line.
namespace Mbox {

// One message as it stands in the file: the "From " line, the message with
// its quoted lines, and the empty line that ends it. LF line ends.
QByteArray entry(QByteArrayView fromLine, QByteArrayView message);

struct Span {
    qint64 start; // the message's first byte, after its "From " line
    qint64 length;
};
// Where each message is in an mbox file's bytes; the empty line before the
// next "From " line belongs to no message.
QList<Span> split(QByteArrayView file);

// A message as written before it was quoted (CR LF and LF lines alike).
QByteArray unquote(QByteArrayView message);

} // namespace Mbox
