#pragma once

#include <QByteArray>
#include <QList>
#include <optional>

#include "text/result.h"

class RecordFile;

// A record stored earlier, known by the digest of its bytes and the number
// it last had.
struct StoredRecordRef {
    int number = 0;
    QByteArray digest;
};

// Where each record is now: at its number when it is still there (the
// usual case, one read each), else at any other number holding those bytes
// that no other ref took (records move down when the user deletes one above
// them); std::nullopt when it is nowhere, deleted by the user. The file is
// read whole only when some record is not at its number.
Result<QList<std::optional<int>>> LocateStoredRecords(const RecordFile& records,
                                                      const QList<StoredRecordRef>& refs);
