#include "exchange/importsource.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>

namespace {

// Names compared with their runs of digits as numbers: "9.M5" before "9.M40".
bool inNumberOrder(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            const qulonglong x = a.mid(si, i - si).toULongLong(), y = b.mid(sj, j - sj).toULongLong();
            if (x != y)
                return x < y;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

// Read piece by piece: a multi-gigabyte mbox never has to fit in memory.
constexpr qint64 kMboxPiece = 4 << 20;

// The plain files of `folder` that match `patterns` (not those whose names
// start with '.'), by name; `skipped` counts the links and whatever else is
// not a plain file.
QStringList plainFilesIn(const QString& folder, const QStringList& patterns, int& skipped) {
    QStringList out;
    const QDir dir(folder);
    for (const QFileInfo& entry :
         dir.entryInfoList(patterns, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isSymLink() || !entry.isFile())
            ++skipped;
        else
            out.append(entry.filePath());
    }
    return out;
}

// The file as the user chose it, not the target of a link to it.
Error cannotRead(const QString& path, const PosixFile& file) {
    return {.kind = Error::Kind::FileNotRead, .path = path, .systemError = file.systemError()};
}

Error changed(const QString& path) {
    return {.kind = Error::Kind::SourceChanged, .path = path};
}

// `length` bytes from `at`; fewer mean the file was cut short meanwhile.
Result<QByteArray> readSpan(PosixFile& file, qint64 at, qint64 length, const QString& path) {
    QByteArray bytes(length, Qt::Uninitialized);
    const qint64 n = file.readAt(at, bytes.data(), length);
    if (n < 0)
        return Result<QByteArray>::failure(cannotRead(path, file));
    if (n < length)
        return Result<QByteArray>::failure(changed(path));
    return bytes;
}

} // namespace

Result<ImportSource> ImportSource::open(Kind kind, const QString& path) {
    using R = Result<ImportSource>;
    ImportSource source;
    source.kind_ = kind;
    source.path_ = path;
    if (kind == Kind::Mbox) {
        // The file the user chose: a link to it is followed.
        const QString target = QFileInfo(path).canonicalFilePath();
        source.mbox_ = std::make_shared<PosixFile>();
        PosixFile& file = *source.mbox_;
        if (!file.open(target.isEmpty() ? path : target, PosixFile::ReadOnly))
            return R::failure(
                {.kind = Error::Kind::FileNotOpened, .path = path, .systemError = file.systemError()});
        const Result<PosixFile::Stamp> stamp = file.stamp();
        if (!stamp)
            return R::failure(cannotRead(path, file));
        source.stamp_ = *stamp;
        const Error notAnMbox{.kind = Error::Kind::NotAnMbox, .path = path};
        if (!stamp->regular)
            return R::failure(notAnMbox);
        Mbox::Splitter splitter;
        QByteArray piece(std::min(kMboxPiece, stamp->size), Qt::Uninitialized);
        for (qint64 at = 0; at < stamp->size;) {
            const qint64 wanted = std::min<qint64>(piece.size(), stamp->size - at);
            const qint64 n = file.readAt(at, piece.data(), wanted);
            if (n < 0)
                return R::failure(cannotRead(path, file));
            if (n < wanted)
                return R::failure(changed(path));
            if (at == 0 && !QByteArrayView(piece).first(n).startsWith("From "))
                return R::failure(notAnMbox);
            splitter.add(QByteArrayView(piece).first(n));
            at += n;
        }
        if (const Status same = source.unchanged(); !same)
            return R::failure(same.error());
        source.spans_ = splitter.finish();
        return source;
    }
    if (!QFileInfo(path).isDir())
        return R::failure({.kind = Error::Kind::NoSuchFolder, .path = path});
    if (kind == Kind::EmlFolder) {
        source.files_ =
            plainFilesIn(path, {QStringLiteral("*.eml"), QStringLiteral("*.EML")}, source.skipped_);
        return source;
    }
    if (!QFileInfo(path + QStringLiteral("/cur")).isDir() &&
        !QFileInfo(path + QStringLiteral("/new")).isDir())
        return R::failure({.kind = Error::Kind::NotAMaildir, .path = path});
    // Maildir names begin with the time of delivery, seconds then
    // microseconds ("1765123999.M5P4711Q1.host"), the microseconds without
    // leading zeros: in the order of their numbers is by arrival.
    QList<QFileInfo> files;
    for (const char* sub : {"/cur", "/new"}) {
        const QFileInfo folder(path + QString::fromLatin1(sub));
        if (folder.isSymLink())
            ++source.skipped_;
        else if (folder.isDir())
            for (const QString& file : plainFilesIn(folder.filePath(), {}, source.skipped_))
                files.append(QFileInfo(file));
    }
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return inNumberOrder(a.fileName(), b.fileName());
    });
    for (const QFileInfo& file : files)
        source.files_.append(file.filePath());
    return source;
}

Status ImportSource::unchanged() const {
    const Result<PosixFile::Stamp> now = mbox_->stamp();
    if (!now)
        return Status::failure(cannotRead(path_, *mbox_));
    if (*now != stamp_)
        return Status::failure(changed(path_));
    return {};
}

Result<QByteArray> ImportSource::message(int i) const {
    using R = Result<QByteArray>;
    if (kind_ == Kind::Mbox) {
        const Mbox::Span& span = spans_.at(i);
        Result<QByteArray> bytes = readSpan(*mbox_, span.start, span.length, path_);
        if (!bytes)
            return bytes;
        // Read first, then compared: the bytes are what the file held when
        // it was split only if it is still as it was then.
        if (const Status same = unchanged(); !same)
            return R::failure(same.error());
        return Mbox::unquote(std::move(bytes).value());
    }
    const QString& path = files_.at(i);
    // It was a plain file when it was listed. If it was replaced by a link
    // since, the link is not followed (PosixFile opens with O_NOFOLLOW).
    PosixFile file;
    if (!file.open(path, PosixFile::ReadOnly))
        return R::failure(file.systemError() == ELOOP ? changed(path) : cannotRead(path, file));
    const Result<PosixFile::Stamp> stamp = file.stamp();
    if (!stamp)
        return R::failure(cannotRead(path, file));
    if (!stamp->regular)
        return R::failure(changed(path));
    return readSpan(file, 0, stamp->size, path);
}
