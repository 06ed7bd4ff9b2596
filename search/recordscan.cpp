#include "search/recordscan.h"

#include "search/searchtext.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"

namespace RecordScan {

Result<QList<int>> find(const QString& recordFile, const QStringList& words, int from, const Hooks& hooks) {
    const RecordFile records(recordFile, MailRecord::kSize);
    const Result<int> total = records.count();
    if (!total)
        return Result<QList<int>>::failure(total.error());
    QList<int> found;
    auto visit = [&](int n, QByteArrayView bytes) {
        if (hooks.cancelled && hooks.cancelled())
            return false;
        if (SearchText::holdsAll(SearchText::ofRecord(bytes), words))
            found.append(n);
        if (hooks.progress && (n % kProgressRecords == 0 || n == *total))
            hooks.progress(n, *total);
        return true;
    };
    if (from <= 1) {
        if (Status s = records.forEach(visit); !s)
            return Result<QList<int>>::failure(s.error());
        return found;
    }
    for (int n = from; n <= *total; ++n) {
        const auto bytes = records.read(n);
        if (!bytes)
            return Result<QList<int>>::failure(bytes.error());
        if (!bytes->has_value() || !visit(n, **bytes))
            break;
    }
    return found;
}

} // namespace RecordScan
