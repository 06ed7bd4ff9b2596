#include "receive/storedrecords.h"

#include <QHash>
#include <QSet>

#include "store/receivedlog.h"
#include "store/recordfile.h"

Result<QList<std::optional<int>>> LocateStoredRecords(const RecordFile& records,
                                                      const QList<StoredRecordRef>& refs) {
    using R = Result<QList<std::optional<int>>>;
    QList<std::optional<int>> at(refs.size());
    QSet<int> taken;
    QList<int> moved;
    for (int i = 0; i < refs.size(); ++i) {
        const Result<std::optional<QByteArray>> bytes =
            refs[i].number >= 1 ? records.read(refs[i].number)
                                : Result<std::optional<QByteArray>>(std::optional<QByteArray>());
        if (!bytes)
            return R::failure(bytes.error());
        if (bytes->has_value() && !taken.contains(refs[i].number) &&
            ReceivedLog::recordDigestLike(refs[i].digest, **bytes) == refs[i].digest) {
            at[i] = refs[i].number;
            taken.insert(refs[i].number);
        } else {
            moved.append(i);
        }
    }
    if (moved.isEmpty())
        return at;
    // Of every record not taken, by digest: of each kind a moved ref has (a
    // ref kept from a log written before knows its record by the older one).
    QSet<qsizetype> kinds;
    for (const int i : moved)
        kinds.insert(refs[i].digest.size());
    QMultiHash<QByteArray, int> numbers;
    const Status read = records.forEach([&](int n, QByteArrayView bytes) {
        if (!taken.contains(n))
            for (const qsizetype kind : std::as_const(kinds))
                numbers.insert(ReceivedLog::recordDigestLike(QByteArray(kind, '0'), bytes), n);
        return true;
    });
    if (!read)
        return R::failure(read.error());
    for (const int i : moved) {
        const auto it = numbers.find(refs[i].digest);
        if (it == numbers.end())
            continue;
        at[i] = *it;
        numbers.erase(it);
    }
    return at;
}
