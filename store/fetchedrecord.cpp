#include "store/fetchedrecord.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "store/posixfile.h"
#include "store/receivedlog.h"

namespace {

const QByteArray kVersionLine = "fennick-fetched 1";
const QByteArray kNone = "-";

QByteArray orNone(const QByteArray& text) {
    return text.isEmpty() ? kNone : text;
}

QByteArray unlessNone(const QByteArray& text) {
    return text == kNone ? QByteArray() : text;
}

QByteArray text(const FetchedRecord::Entry& e) {
    // UIDLs are printable ASCII (RFC 1939) but a server may send anything.
    const QByteArray uidl = e.uidl.toUtf8().toPercentEncoding({}, kNone);
    return orNone(uidl) + ' ' + QByteArray::number(e.size) + ' ' + e.message + ' ' +
           QByteArray::number(e.storedAt) + ' ' + QByteArray::number(e.number) + ' ' + orNone(e.record) +
           '\n';
}

// Its fields, read in place: a record of ten thousand messages is read at
// every check.
std::optional<FetchedRecord::Entry> parse(QByteArrayView line) {
    if (std::count(line.begin(), line.end(), ' ') != 5)
        return std::nullopt;
    QByteArrayView f[6];
    for (qsizetype i = 0, start = 0; i < 6; ++i) {
        const qsizetype space = i < 5 ? line.indexOf(' ', start) : line.size();
        f[i] = line.sliced(start, space - start);
        start = space + 1;
    }
    if (!ReceivedLog::isMessageDigest(f[2].toByteArray()))
        return std::nullopt;
    FetchedRecord::Entry e;
    bool sizeOk = false, timeOk = false, numberOk = false;
    const QByteArray uidl = unlessNone(f[0].toByteArray());
    e.uidl = QString::fromUtf8(uidl.contains('%') ? QByteArray::fromPercentEncoding(uidl) : uidl);
    e.size = f[1].toLongLong(&sizeOk);
    e.message = f[2].toByteArray();
    e.storedAt = f[3].toLongLong(&timeOk);
    e.number = f[4].toInt(&numberOk);
    e.record = unlessNone(f[5].toByteArray());
    // The record's digest as the received log gives it: 40 hex digits, 64 from logs written before.
    if (!sizeOk || !timeOk || !numberOk ||
        !(e.record.isEmpty() || e.record.size() == 40 || e.record.size() == 64))
        return std::nullopt;
    return e;
}

} // namespace

QString FetchedRecord::fileName(const QString& accountKey) {
    // The key is ours, but a file name must not reach out of the folder.
    const QByteArray safe = accountKey.toUtf8().toPercentEncoding({}, {}, '_');
    return QStringLiteral("fetched-%1.list").arg(QString::fromLatin1(safe));
}

FetchedRecord::FetchedRecord(QString path) : path_(std::move(path)) {}

Result<QList<FetchedRecord::Entry>> FetchedRecord::read() const {
    using R = Result<QList<Entry>>;
    QList<Entry> entries;
    if (!QFileInfo::exists(path_))
        return entries;
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadOnly))
        return R::failure(file.error());
    const std::optional<QByteArray> bytes = file.readAll();
    if (!bytes)
        return R::failure(file.error());
    // What follows the last line end is an append a kill cut short; the
    // first line is the version's.
    const QByteArrayView whole = QByteArrayView(*bytes).first(bytes->lastIndexOf('\n') + 1);
    for (qsizetype start = whole.indexOf('\n') + 1, end; start > 0 && start < whole.size(); start = end + 1) {
        end = whole.indexOf('\n', start);
        if (std::optional<Entry> e = parse(whole.sliced(start, end - start)))
            entries.append(std::move(*e));
    }
    return entries;
}

Status FetchedRecord::write(const QList<Entry>& entries) const {
    const QString folder = QFileInfo(path_).absolutePath();
    if (entries.isEmpty()) {
        if (std::remove(QFile::encodeName(path_).constData()) != 0 && QFileInfo::exists(path_))
            return Status::failure(
                {.kind = Error::Kind::FileNotRemoved, .path = path_, .systemError = errno});
        SyncFolder(folder);
        return {};
    }
    QByteArray bytes = kVersionLine + '\n';
    for (const Entry& e : entries)
        bytes += text(e);
    const QString temporary = path_ + QStringLiteral(".tmp");
    PosixFile file;
    if (!file.open(temporary, PosixFile::CreateTruncate))
        return Status::failure(file.error());
    // Before a byte of it is written: what a user fetched is theirs to read.
    QFile::setPermissions(temporary, QFile::ReadOwner | QFile::WriteOwner);
    if (!file.writeAt(0, bytes.constData(), bytes.size()) || !file.sync() || !file.close())
        return Status::failure(file.error());
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path_).constData()) != 0)
        return Status::failure({.kind = Error::Kind::FileNotRenamed, .path = path_, .systemError = errno});
    if (!SyncFolder(folder))
        return Status::failure({.kind = Error::Kind::FolderNotSynced, .path = folder});
    return {};
}

Status FetchedRecord::append(const QList<Entry>& entries) const {
    if (!QFileInfo::exists(path_))
        return write(entries);
    QByteArray bytes;
    for (const Entry& e : entries)
        bytes += text(e);
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWrite))
        return Status::failure(file.error());
    qint64 end = file.size();
    char last = '\n';
    if (end < 0 || (end > 0 && file.readAt(end - 1, &last, 1) != 1))
        return Status::failure(file.error());
    if (last != '\n') { // a line a kill cut short goes, as it is not read
        QByteArray all(end, Qt::Uninitialized);
        if (file.readAt(0, all.data(), end) != end)
            return Status::failure(file.error());
        end = all.lastIndexOf('\n') + 1;
        if (!file.truncate(end))
            return Status::failure(file.error());
    }
    if (end == 0)
        bytes.prepend(kVersionLine + '\n');
    if (!file.writeAt(end, bytes.constData(), bytes.size()) || !file.sync() || !file.close())
        return Status::failure(file.error());
    return {};
}
