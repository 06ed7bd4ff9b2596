#include "store/recordfile.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>

#include "store/posixfile.h"

namespace {

// The length of the file at `path`, 0 when there is none. A folder or a link
// in its place is an error for every operation alike: links are never
// followed (a link must not redirect the records), and counting a folder's
// size as records would show ones that cannot be read.
Result<qint64> recordFileLength(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return qint64(0);
        return Result<qint64>::failure(
            {.kind = Error::Kind::FileNotExamined, .path = path, .systemError = errno});
    }
    if (!S_ISREG(st.st_mode))
        return Result<qint64>::failure({.kind = Error::Kind::NotAFile, .path = path});
    return qint64(st.st_size);
}

Error tooManyRecords() {
    return {.kind = Error::Kind::TooManyRecords, .number = RecordFile::kMaxRecords};
}

} // namespace

RecordFile::RecordFile(QString path, qsizetype recordSize)
    : path_(std::move(path)), recordSize_(recordSize) {}

Status RecordFile::ensureExists() const {
    const Result<qint64> length = recordFileLength(path_);
    if (!length)
        return Status::failure(length.error());
    if (QFile::exists(path_))
        return {};
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWriteCreate) || !file.close())
        return Status::failure(file.error());
    return {};
}

Result<int> RecordFile::count() const {
    const Result<qint64> length = recordFileLength(path_);
    if (!length)
        return Result<int>::failure(length.error());
    return int(std::min<qint64>(*length / recordSize_, INT_MAX));
}

qint64 RecordFile::appendNumber(qint64 fileLength, qsizetype recordSize) {
    const qint64 whole = fileLength / recordSize;
    const qint64 rest = fileLength % recordSize;
    const qint64 base = whole + 1;
    if (2 * rest < recordSize)
        return base;
    if (2 * rest > recordSize)
        return base + 1;
    return base % 2 == 0 ? base : base + 1; // an exact half goes to the even number
}

Result<int> RecordFile::append(QByteArrayView record, Durability durability) const {
    if (const Result<qint64> length = recordFileLength(path_); !length)
        return Result<int>::failure(length.error());
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWriteCreate))
        return Result<int>::failure(file.error());
    const qint64 length = file.size();
    if (length < 0)
        return Result<int>::failure(file.error());
    const qint64 number = appendNumber(length, recordSize_);
    if (number > kMaxRecords)
        return Result<int>::failure(tooManyRecords());
    // A full disk stops a write halfway: take the piece back, so that the
    // file keeps whole records only.
    auto undo = [&] {
        const Error error = file.error();
        (void)file.truncate(length);
        return Result<int>::failure(error);
    };
    if (!file.writeAt((number - 1) * recordSize_, record.data(), record.size()))
        return undo();
    if (durability == Durability::Synced && !file.sync())
        return undo();
    if (durability == Durability::Buffered)
        file.startWriteback((number - 1) * recordSize_, record.size());
    if (!file.close())
        return Result<int>::failure(file.error());
    return int(number);
}

Result<std::optional<QByteArray>> RecordFile::read(int n) const {
    using R = Result<std::optional<QByteArray>>;
    const Result<qint64> length = recordFileLength(path_);
    if (!length)
        return R::failure(length.error());
    if (n < 1 || *length == 0)
        return std::optional<QByteArray>();
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadOnly))
        return R::failure(file.error());
    QByteArray bytes(recordSize_, Qt::Uninitialized);
    const qint64 got = file.readAt(qint64(n - 1) * recordSize_, bytes.data(), recordSize_);
    if (got < 0)
        return R::failure(file.error());
    if (got < recordSize_)
        return std::optional<QByteArray>();
    return std::optional<QByteArray>(std::move(bytes));
}

Status RecordFile::writeAt(int n, QByteArrayView record, Durability durability) const {
    if (n < 1 || n > kMaxRecords)
        return Status::failure(tooManyRecords());
    if (const Result<qint64> length = recordFileLength(path_); !length)
        return Status::failure(length.error());
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWriteCreate))
        return Status::failure(file.error());
    if (!file.writeAt(qint64(n - 1) * recordSize_, record.data(), record.size()))
        return Status::failure(file.error());
    if (durability == Durability::Synced && !file.sync())
        return Status::failure(file.error());
    if (!file.close())
        return Status::failure(file.error());
    return {};
}

Status RecordFile::cutPieceOf(int n) const {
    const Result<qint64> length = recordFileLength(path_);
    if (!length)
        return Status::failure(length.error());
    const qint64 start = qint64(n - 1) * recordSize_;
    if (n < 1 || *length <= start || *length >= start + recordSize_)
        return {};
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWrite) || !file.truncate(start) || !file.close())
        return Status::failure(file.error());
    return {};
}

Status RecordFile::sync() const {
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadOnly) || !file.sync() || !file.close())
        return Status::failure(file.error());
    return {};
}

Status RecordFile::forEach(const Visitor& visit, qsizetype prefix) const {
    const Result<qint64> existing = recordFileLength(path_);
    if (!existing)
        return Status::failure(existing.error());
    if (*existing == 0)
        return {};
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadOnly))
        return Status::failure(file.error());
    const qint64 length = file.size();
    if (length < 0)
        return Status::failure(file.error());
    const qint64 records = length / recordSize_;
    const bool whole = prefix < 0 || prefix >= recordSize_;
    // Whole records are read in batches; a prefix is read record by record so
    // that the rest of each record is never touched.
    const qint64 batch = whole ? std::max<qint64>(1, (1 << 20) / recordSize_) : 1;
    const qsizetype take = whole ? recordSize_ : prefix;
    QByteArray buffer(whole ? batch * recordSize_ : take, Qt::Uninitialized);
    for (qint64 first = 0; first < records; first += batch) {
        const qint64 count = std::min(batch, records - first);
        const qint64 want = whole ? count * recordSize_ : take;
        const qint64 got = file.readAt(first * recordSize_, buffer.data(), want);
        if (got < 0)
            return Status::failure(file.error());
        if (got < want)
            break; // the file shrank under us; what was read stands
        for (qint64 i = 0; i < count; ++i) {
            const QByteArrayView view(buffer.constData() + (whole ? i * recordSize_ : 0), take);
            if (!visit(int(first + i + 1), view))
                return {};
        }
    }
    return {};
}
