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
    friend bool operator==(const Span&, const Span&) = default;
};
// Where each message is in an mbox file's bytes; the empty line before the
// next "From " line belongs to no message. Fed the file piece by piece, so
// that a file larger than memory need not be in it at once.
class Splitter {
  public:
    // The file's next bytes.
    void add(QByteArrayView piece);
    // The messages, once the whole file was added.
    QList<Span> finish();

  private:
    void endLine(qint64 end);
    void closeMessage(qint64 at);

    QList<Span> spans_;
    qint64 offset_ = 0; // of the next byte added
    qint64 lineStart_ = 0;
    char head_[5] = {}; // the line's first bytes: enough to tell "From " and an empty line
    qsizetype headSize_ = 0;
    qint64 start_ = -1; // of the message being read
    qint64 lastLineStart_ = 0;
    bool lastWasEmpty_ = false;
};

// A message as written before it was quoted (CR LF and LF lines alike).
QByteArray unquote(QByteArray message);

} // namespace Mbox
