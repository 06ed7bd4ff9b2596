#pragma once

#include <QString>
#include <mutex>

// Holds the process-wide lock of one record file for its lifetime. The mail
// check appends to the received-mail file on its worker thread while the
// history window may delete from and compact the same file: every operation
// of a record file takes this lock, so that an append never lands in the
// middle of a rebuild. Recursive, because a rebuild runs inside the
// operations of its own file.
class RecordFileLock {
  public:
    explicit RecordFileLock(const QString& path);
    ~RecordFileLock() { mutex_.unlock(); }
    RecordFileLock(const RecordFileLock&) = delete;
    RecordFileLock& operator=(const RecordFileLock&) = delete;

  private:
    std::recursive_mutex& mutex_;
};
