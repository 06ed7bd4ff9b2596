#pragma once

#include <QByteArrayView>
#include <QCryptographicHash>

// What the program knows a record by beside the record files (the facts, the
// received log): BLAKE2b-160 of its bytes. One digest, so that a record
// stored by a check is hashed once for all of them.
inline QByteArray RecordDigest(QByteArrayView record) {
    return QCryptographicHash::hash(record, QCryptographicHash::Blake2b_160);
}
