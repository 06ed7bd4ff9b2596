#include "search/recordfilestate.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>

#include "store/mailrecord.h"
#include "store/recorddigest.h"
#include "store/recordfile.h"

int RecordFileState::records() const {
    return int(std::min<qint64>(size / MailRecord::kSize, RecordFile::kMaxRecords * 2LL));
}

Result<QByteArray> RecordFileState::digestOf(const QString& path, int n) {
    const auto bytes = RecordFile(path, MailRecord::kSize).read(n);
    if (!bytes)
        return Result<QByteArray>::failure(bytes.error());
    if (!bytes->has_value())
        return QByteArray();
    return digest(**bytes);
}

QByteArray RecordFileState::digest(QByteArrayView record) {
    return RecordDigest(record);
}

Result<RecordFileState> RecordFileState::statOf(const QString& path) {
    using R = Result<RecordFileState>;
    RecordFileState state;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return state;
        return R::failure({.kind = Error::Kind::FileNotExamined, .path = path, .systemError = errno});
    }
    state.size = st.st_size;
    state.modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    state.inode = qint64(st.st_ino);
    return state;
}

Result<RecordFileState> RecordFileState::of(const QString& path) {
    using R = Result<RecordFileState>;
    Result<RecordFileState> stat = statOf(path);
    if (!stat || stat->records() == 0)
        return stat;
    RecordFileState state = stat.value();
    const Result<QByteArray> first = digestOf(path, 1);
    const Result<QByteArray> last = digestOf(path, state.records());
    if (!first)
        return R::failure(first.error());
    if (!last)
        return R::failure(last.error());
    state.firstDigest = *first;
    state.lastDigest = *last;
    return state;
}

Result<RecordFileState::Change> RecordFileState::between(const RecordFileState& indexed,
                                                         const RecordFileState& now, const QString& path) {
    if (indexed == now)
        return Change::None;
    if (now.records() <= indexed.records() || now.inode != indexed.inode)
        return Change::Rewritten;
    if (indexed.records() == 0)
        return Change::Appended;
    if (now.firstDigest != indexed.firstDigest)
        return Change::Rewritten;
    const Result<QByteArray> formerLast = digestOf(path, indexed.records());
    if (!formerLast)
        return Result<Change>::failure(formerLast.error());
    return *formerLast == indexed.lastDigest ? Change::Appended : Change::Rewritten;
}
