#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "text/result.h"

// Finds the records holding every word by reading the record file itself,
// as the index would find them: for when the index is not ready, and for the
// records appended since it was built.
namespace RecordScan {

struct Hooks {
    std::function<void(int done, int total)> progress; // every kProgressRecords records
    std::function<bool()> cancelled;
};
inline constexpr int kProgressRecords = 1024;

// Record numbers in order, from record `from` on. A cancelled scan answers
// what it found so far.
Result<QList<int>> find(const QString& recordFile, const QStringList& words, int from = 1,
                        const Hooks& hooks = {});

} // namespace RecordScan
