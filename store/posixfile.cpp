#include "store/posixfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

PosixFile::~PosixFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool IsDiskFull(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

bool PosixFile::fail(Error::Kind what) {
    error_ = {.kind = what, .path = path_, .systemError = errno};
    return false;
}

bool PosixFile::open(const QString& path, Mode mode, int permissions) {
    path_ = path;
    int flags = O_CLOEXEC;
    switch (mode) {
    case ReadOnly:
        // A fifo where a file was expected opens at once (and fails to read)
        // instead of waiting for a writer; files are not affected.
        flags |= O_RDONLY | O_NONBLOCK;
        break;
    case ReadWrite:
        flags |= O_RDWR;
        break;
    case ReadWriteCreate:
        flags |= O_RDWR | O_CREAT;
        break;
    case CreateTruncate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    }
    // O_NOFOLLOW: a record file replaced by a link must not redirect writes.
    fd_ = ::open(QFile::encodeName(path).constData(), flags | O_NOFOLLOW, permissions);
    return fd_ >= 0 || fail(Error::Kind::FileNotOpened);
}

qint64 PosixFile::size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail(Error::Kind::FileNotExamined);
        return -1;
    }
    return st.st_size;
}

Result<PosixFile::Stamp> PosixFile::stamp() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        fail(Error::Kind::FileNotExamined);
        return Result<Stamp>::failure(error_);
    }
    return Stamp{st.st_size, qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
                 S_ISREG(st.st_mode)};
}

std::optional<QByteArray> PosixFile::readAll() {
    const qint64 length = size();
    if (length < 0)
        return std::nullopt;
    QByteArray bytes(length, Qt::Uninitialized);
    if (readAt(0, bytes.data(), length) != length)
        return std::nullopt;
    return bytes;
}

qint64 PosixFile::readAt(qint64 offset, char* data, qint64 length) {
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd_, data + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            fail(Error::Kind::FileNotRead);
            return -1;
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

bool PosixFile::writeAt(qint64 offset, const char* data, qint64 length) {
    qint64 done = 0;
    while (done < length) {
        const ssize_t n = ::pwrite(fd_, data + done, size_t(length - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(Error::Kind::FileNotWritten);
        done += n;
    }
    return true;
}

bool PosixFile::truncate(qint64 length) {
    return ::ftruncate(fd_, off_t(length)) == 0 || fail(Error::Kind::FileNotResized);
}

bool PosixFile::sync() {
    return ::fsync(fd_) == 0 || fail(Error::Kind::FileNotSynced);
}

void StartWriteback(int fd, qint64 offset, qint64 length) {
    (void)::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
}

void PosixFile::startWriteback(qint64 offset, qint64 length) {
    StartWriteback(fd_, offset, length);
}

bool PosixFile::close() {
    if (fd_ < 0)
        return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 || fail(Error::Kind::FileNotClosed);
}

bool SyncFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

Status SyncFile(const QString& path) {
    if (!QFile::exists(path))
        return {};
    PosixFile file;
    if (!file.open(path, PosixFile::ReadOnly) || !file.sync() || !file.close())
        return Status::failure(file.error());
    return {};
}

Status ReplaceFileDurably(const QString& path, const QByteArray& bytes, int permissions) {
    const QString temporary = path + QStringLiteral(".tmp");
    // One left by a crash keeps the permissions it was made with: start anew.
    if (::unlink(QFile::encodeName(temporary).constData()) != 0 && errno != ENOENT)
        return Status::failure(
            {.kind = Error::Kind::FileNotRemoved, .path = temporary, .systemError = errno});
    PosixFile file;
    if (!file.open(temporary, PosixFile::CreateTruncate, permissions) ||
        !file.writeAt(0, bytes.constData(), bytes.size()) || !file.sync() || !file.close())
        return Status::failure(file.error());
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        return Status::failure({.kind = Error::Kind::FileNotRenamed, .path = path, .systemError = errno});
    if (!SyncFolder(QFileInfo(path).absolutePath()))
        return Status::failure({.kind = Error::Kind::FolderNotSynced,
                                .path = QFileInfo(path).absolutePath(),
                                .systemError = errno});
    return {};
}
