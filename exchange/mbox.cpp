#include "exchange/mbox.h"

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

QList<Span> split(QByteArrayView file) {
    QList<Span> spans;
    qint64 start = -1;
    qint64 lastLineStart = 0;
    bool lastWasEmpty = false;
    auto close = [&](qint64 at) {
        if (start >= 0)
            spans.append({start, std::max<qint64>(0, (lastWasEmpty ? lastLineStart : at) - start)});
    };
    for (qsizetype at = 0; at < file.size();) {
        qsizetype end = file.indexOf('\n', at);
        end = end < 0 ? file.size() : end + 1;
        const QByteArrayView line = file.sliced(at, end - at);
        if (line.startsWith("From ")) {
            close(at);
            start = end;
            lastWasEmpty = false;
        } else {
            lastWasEmpty = line == "\n" || line == "\r\n";
            lastLineStart = at;
        }
        at = end;
    }
    close(file.size());
    return spans;
}

QByteArray unquote(QByteArrayView message) {
    QByteArray out;
    out.reserve(message.size());
    for (qsizetype at = 0; at < message.size();) {
        qsizetype end = message.indexOf('\n', at);
        end = end < 0 ? message.size() : end + 1;
        out += message.sliced(isQuotedFrom(message, at, 1) ? at + 1 : at,
                              end - (isQuotedFrom(message, at, 1) ? at + 1 : at));
        at = end;
    }
    return out;
}

} // namespace Mbox
