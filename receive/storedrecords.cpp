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
            ReceivedLog::digest(**bytes) == refs[i].digest) {
            at[i] = refs[i].number;
            taken.insert(refs[i].number);
        } else {
            moved.append(i);
        }
    }
    if (moved.isEmpty())
        return at;
    QMultiHash<QByteArray, int> numbers; // of every record not taken, by digest
    const Status read = records.forEach([&](int n, QByteArrayView bytes) {
        if (!taken.contains(n))
            numbers.insert(ReceivedLog::digest(bytes), n);
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
