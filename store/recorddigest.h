#pragma once

#include <QByteArray>
#include <QByteArrayView>

// What the program knows a record by beside the record files (the facts, the
// received log): BLAKE2b-160 of its bytes. One digest, so that a record
// stored by a check is hashed once for all of them.
QByteArray RecordDigest(QByteArrayView record);
