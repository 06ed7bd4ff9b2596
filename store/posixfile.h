#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "text/result.h"

// A file descriptor that is closed when it goes out of scope. Record files
// are read and written at fixed offsets, which pread/pwrite do without the
// read-ahead buffering of QFile.
class PosixFile {
  public:
    enum Mode { ReadOnly, ReadWrite, ReadWriteCreate, CreateTruncate };

    PosixFile() = default;
    ~PosixFile();
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // On failure returns false and leaves the reason in error().
    // A file created here gets `permissions` (less the umask).
    bool open(const QString& path, Mode mode, int permissions = 0644);
    bool isOpen() const { return fd_ >= 0; }
    qint64 size();
    // What fstat says of the open file: a reader compares two to notice
    // that the file changed under it.
    struct Stamp {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool regular = false; // not a folder, fifo or device
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    Result<Stamp> stamp();
    // Reads up to `length` bytes at `offset`; fewer only at the end of the file.
    qint64 readAt(qint64 offset, char* data, qint64 length);
    // Everything the file holds now; std::nullopt on a failure (error()).
    std::optional<QByteArray> readAll();
    bool writeAt(qint64 offset, const char* data, qint64 length);
    bool truncate(qint64 length);
    bool sync();
    // See StartWriteback.
    void startWriteback(qint64 offset, qint64 length);
    bool close();
    // The last failure: what failed, on which file, and its errno.
    const Error& error() const { return error_; }
    int systemError() const { return error_.systemError; }

  private:
    bool fail(Error::Kind what);

    int fd_ = -1;
    QString path_;
    Error error_;
};

// ENOSPC, EDQUOT and EFBIG: what was to be written does not fit.
bool IsDiskFull(int error);

// Makes a rename or an unlink in `folder` durable.
bool SyncFolder(const QString& folder);

// Starts writing a range of the file out to disk without waiting for it
// (the whole file for length 0), so that a later fsync finds the work done
// and the writing overlaps what comes before the sync. Only a hint: where
// the system cannot, nothing happens.
void StartWriteback(int fd, qint64 offset = 0, qint64 length = 0);

// Makes what was written to the file durable (fsync). A missing file is fine.
Status SyncFile(const QString& path);

// Puts `bytes` in the place of the file at `path` so that a crash at any
// point leaves either the old file or the new one whole: written to a
// temporary file beside it, made durable, renamed over it, and the rename
// made durable. The new file gets `permissions` whatever the old one had.
Status ReplaceFileDurably(const QString& path, const QByteArray& bytes, int permissions);
