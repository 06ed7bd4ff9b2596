#pragma once

#include <QString>
#include <functional>

#include "text/result.h"

// Rebuilds a record file without its records marked deleted (a 16-bit live
// field of 0), through a working file beside it, so that a stop at any point
// loses nothing: the next operation on the file calls recover(), which
// finishes or undoes what was left.
class RecordRebuild {
  public:
    // The points a caller is told of; returning false stops the rebuild
    // there, as a crash would. The work done is the same whether anyone listens.
    enum class Step {
        MovedToWorkingFile, // the records live only in the working file
        CreatedNewFile,     // an empty record file exists beside it
        CopiedBatch,        // one more batch of live records has been written back
        ClosedFiles,        // the new file is complete; the working file remains
    };
    using StopHook = std::function<bool(Step)>; // return false to stop there

    // Live records are written back in batches of about 1 MiB, so the copy
    // costs about one sequential pass over each file.
    static qsizetype defaultBatchRecords(qsizetype recordSize);

    RecordRebuild(QString file, QString workingFile, qsizetype recordSize, qsizetype liveOffset,
                  qsizetype batchRecords = 0); // 0: defaultBatchRecords

    Status run(const StopHook& continueAfter = {}) const;

    // No-op when there is no working file. Otherwise the working file holds
    // either a complete copy of the records (a rebuild of ours stopped part-way:
    // finish it) or a leftover that the record file has outgrown (drop it).
    // When either file cannot be read, fails and keeps both.
    Status recover() const;

  private:
    enum class Leftover { UnfinishedRebuild, Stale };

    Status copyLiveRecords(const StopHook& continueAfter) const;
    Result<Leftover> examineWorkingFile() const;

    QString file_;
    QString working_;
    qsizetype recordSize_;
    qsizetype liveOffset_;
    qsizetype batchRecords_;
};
