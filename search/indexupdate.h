#pragma once

#include <QString>
#include <functional>

#include "text/result.h"

// Brings the index of a record file up to date with it: nothing to do when
// the file is as indexed, the new records added when it only grew, every
// record indexed afresh when it changed otherwise. A missing index is made
// and a damaged one (or one of another format) replaced, silently. Only
// reads the record file.
namespace IndexUpdate {

struct Hooks {
    std::function<void(int done, int total)> progress; // during a full build, now and then
    std::function<bool()> cancelled;                   // asked between records
};

// Records added to the index per transaction while building it whole.
inline constexpr int kBatchRecords = 512;

Status bringUpToDate(const QString& recordFile, const QString& indexPath, const Hooks& hooks = {});

} // namespace IndexUpdate
