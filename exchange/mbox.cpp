#include "exchange/mbox.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// True for a line (from `at`) that is ">" * n + "From ".
bool isQuotedFrom(QByteArrayView text, qsizetype at, qsizetype minQuotes) {
    qsizetype i = at;
    while (i < text.size() && text.at(i) == '>')
        ++i;
    return i - at >= minQuotes && text.sliced(i).startsWith("From ");
}

} // namespace

namespace Mbox {

QByteArray entry(QByteArrayView fromLine, QByteArrayView message) {
    QByteArray out;
    out.reserve(fromLine.size() + message.size() + message.size() / 64 + 4);
    out += fromLine;
    out += '\n';
    for (qsizetype at = 0; at < message.size();) {
        qsizetype end = message.indexOf('\n', at);
        end = end < 0 ? message.size() : end + 1;
        if (isQuotedFrom(message, at, 0))
            out += '>';
        out += message.sliced(at, end - at);
        at = end;
    }
    if (!out.endsWith('\n'))
        out += '\n';
    out += '\n';
    return out;
}

void Splitter::add(QByteArrayView piece) {
    for (qsizetype at = 0; at < piece.size();) {
        const qsizetype newline = piece.indexOf('\n', at);
        const qsizetype end = newline < 0 ? piece.size() : newline + 1;
        const qsizetype take = std::min<qsizetype>(qsizetype(sizeof head_) - headSize_, end - at);
        std::copy_n(piece.data() + at, take, head_ + headSize_);
        headSize_ += take;
        if (newline >= 0)
            endLine(offset_ + end);
        at = end;
    }
    offset_ += piece.size();
}

void Splitter::endLine(qint64 end) {
    const QByteArrayView head(head_, headSize_);
    if (head.startsWith("From ")) {
        closeMessage(lineStart_);
        start_ = end;
        lastWasEmpty_ = false;
    } else {
        lastWasEmpty_ = head == "\n" || head == "\r\n";
        lastLineStart_ = lineStart_;
    }
    lineStart_ = end;
    headSize_ = 0;
}

// The message being read ends before `at`, or before its last line if that is empty.
void Splitter::closeMessage(qint64 at) {
    if (start_ >= 0)
        spans_.append({start_, std::max<qint64>(0, (lastWasEmpty_ ? lastLineStart_ : at) - start_)});
}

QList<Span> Splitter::finish() {
    if (headSize_ > 0) // a last line without its line end
        endLine(offset_);
    closeMessage(offset_);
    return std::exchange(spans_, {});
}

QByteArray unquote(QByteArray message) {
    // In place: a message only gets shorter, and most have no quoted line at all.
    char* bytes = message.data();
    const QByteArrayView text(bytes, message.size());
    qsizetype kept = 0;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf('\n', at);
        end = end < 0 ? text.size() : end + 1;
        const qsizetype from = isQuotedFrom(text, at, 1) ? at + 1 : at;
        if (kept != from)
            std::memmove(bytes + kept, bytes + from, size_t(end - from));
        kept += end - from;
        at = end;
    }
    message.truncate(kept);
    return message;
}

} // namespace Mbox
