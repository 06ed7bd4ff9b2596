#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// One header field exactly as it came, folding and line end included.
struct RawHeaderField {
    QByteArray name; // as written, without the colon
    QByteArray raw;  // "Name: value\r\n\tmore\r\n"

    // The value after the colon, unfolded and trimmed.
    QByteArray value() const;
};

// A message's header fields and body as the server sent them, before any
// decoding: what signatures and verdicts are checked against. A lone LF is
// read as CR LF, as mail that passed through Unix tools often has it.
struct RawMessage {
    QList<RawHeaderField> fields; // top first
    QByteArray body;

    static RawMessage split(QByteArrayView raw);
    // The header fields alone, the body left empty: all a provider's verdict needs.
    static RawMessage splitHeaders(QByteArrayView raw);
    // The fields named `name` (ASCII case ignored), top first.
    QList<const RawHeaderField*> all(QByteArrayView name) const;
};
