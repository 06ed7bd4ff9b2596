#include "store/receivedlog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <openssl/evp.h>

#include "store/mailfile.h"
#include "store/posixfile.h"
#include "store/recorddigest.h"
#include "store/recordfile.h"
#include "store/recordfilelock.h"

namespace {

const QByteArray kDeleted = "deleted";

// The digests written before: of a message, and of a record in logs written before.
constexpr qsizetype kLongDigest = 64;
// A message's digest.
constexpr qsizetype kMessageDigest = 56;
// A record's digest.
constexpr qsizetype kShortDigest = 40;

bool isDigest(const QByteArray& text, std::initializer_list<qsizetype> lengths) {
    return std::find(lengths.begin(), lengths.end(), text.size()) != lengths.end() &&
           std::all_of(text.cbegin(), text.cend(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// OpenSSL's SHA-224 takes the processor's SHA instructions where it has
// them: three times the speed of BLAKE2b here, and as safe against two
// messages taken for one, which would delete one unstored.
QByteArray sha224(QByteArrayView bytes) {
    static EVP_MD* const sha = EVP_MD_fetch(nullptr, "SHA224", nullptr);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!sha || !EVP_Digest(bytes.data(), size_t(bytes.size()), out, &length, sha, nullptr))
        qFatal("SHA-224 is missing from OpenSSL");
    return QByteArray(reinterpret_cast<const char*>(out), int(length)).toHex();
}

// "message number record", then "deleted" or the lowest number when either applies.
QByteArray text(const ReceivedLog::Line& line) {
    QByteArray out = line.message + ' ' + QByteArray::number(line.number) + ' ' + line.record;
    if (line.deletedByUser)
        out += ' ' + kDeleted;
    else if (line.lowest < line.number)
        out += ' ' + QByteArray::number(line.lowest);
    return out + '\n';
}

std::optional<ReceivedLog::Line> parse(const QByteArray& text) {
    const QList<QByteArray> fields = text.split(' ');
    if (fields.size() < 3 || fields.size() > 4 || !ReceivedLog::isMessageDigest(fields[0]) ||
        !isDigest(fields[2], {kShortDigest, kLongDigest}))
        return std::nullopt;
    ReceivedLog::Line line;
    bool ok = false;
    line.message = fields[0];
    line.number = fields[1].toInt(&ok);
    line.record = fields[2];
    line.lowest = line.number;
    if (!ok || line.number < 1)
        return std::nullopt;
    if (fields.size() == 4 && fields[3] == kDeleted) {
        line.deletedByUser = true;
    } else if (fields.size() == 4) {
        line.lowest = fields[3].toInt(&ok);
        if (!ok || line.lowest < 1 || line.lowest > line.number)
            return std::nullopt;
    }
    return line;
}

// Whether `record` is the one the line logged, by the digest the line was
// written with: 40 hex digits now, 64 in logs written before.
bool holds(const ReceivedLog::Line& line, QByteArrayView record) {
    return line.record == ReceivedLog::recordDigestLike(line.record, record);
}

} // namespace

ReceivedLog::ReceivedLog(QString path) : path_(std::move(path)) {}

QString ReceivedLog::fileNameFor(const QString& accountKey, bool firstAccount) {
    return firstAccount ? kFileName : QStringLiteral("received-%1.log").arg(accountKey);
}

QList<ReceivedLog> ReceivedLog::allIn(const AppPaths& paths) {
    QList<ReceivedLog> logs;
    const QDir data(paths.dataFolder());
    for (const QString& name : data.entryList({kFileName, QStringLiteral("received-*.log")},
                                              QDir::Files | QDir::Hidden, QDir::Name))
        logs.append(ReceivedLog(data.filePath(name)));
    return logs;
}

QByteArray ReceivedLog::digest(QByteArrayView bytes) {
    return sha224(bytes);
}

QByteArray ReceivedLog::olderDigest(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Blake2b_256).toHex();
}

bool ReceivedLog::isMessageDigest(const QByteArray& text) {
    return isDigest(text, {kMessageDigest, kLongDigest});
}

QList<QByteArray> ReceivedLog::digestsOf(QByteArrayView bytes, bool older) {
    return older ? QList{digest(bytes), olderDigest(bytes)} : QList{digest(bytes)};
}

QByteArray ReceivedLog::recordDigest(QByteArrayView record) {
    return RecordDigest(record).toHex();
}

QByteArray ReceivedLog::recordDigestLike(const QByteArray& logged, QByteArrayView record) {
    return logged.size() == kLongDigest ? olderDigest(record) : recordDigest(record);
}

ReceivedLog::Line ReceivedLog::lineFor(const QByteArray& messageDigest, int number,
                                       const QByteArray& recordDigest) {
    return {messageDigest, number, number, recordDigest, false};
}

Result<QList<ReceivedLog::Line>> ReceivedLog::read() const {
    using R = Result<QList<Line>>;
    QList<Line> lines;
    if (!QFileInfo::exists(path_))
        return lines;
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWrite))
        return R::failure(file.error());
    const std::optional<QByteArray> bytes = file.readAll();
    if (!bytes)
        return R::failure(file.error());
    const qsizetype whole = bytes->lastIndexOf('\n') + 1;
    if (whole < bytes->size() && !file.truncate(whole))
        return R::failure(file.error());
    for (const QByteArray& line : bytes->left(whole).split('\n'))
        if (const std::optional<Line> parsed = parse(line))
            lines.append(*parsed);
    return lines;
}

Status ReceivedLog::append(const Line& line) const {
    PosixFile file;
    if (!file.open(path_, PosixFile::ReadWriteCreate))
        return Status::failure(file.error());
    const qint64 end = file.size();
    const QByteArray bytes = text(line);
    if (end < 0 || !file.writeAt(end, bytes.constData(), bytes.size()) || !file.close())
        return Status::failure(file.error());
    return {};
}

Status ReceivedLog::sync() const {
    return SyncFile(path_);
}

Status ReceivedLog::rewrite(const QList<Line>& lines) const {
    if (lines.isEmpty()) {
        // A check that ended cleanly leaves no log behind.
        if (std::remove(QFile::encodeName(path_).constData()) != 0 && QFileInfo::exists(path_))
            return Status::failure(
                {.kind = Error::Kind::FileNotRemoved, .path = path_, .systemError = errno});
        SyncFolder(QFileInfo(path_).absolutePath());
        return {};
    }
    QByteArray bytes;
    for (const Line& line : lines)
        bytes += text(line);
    const QString temporary = path_ + QStringLiteral(".tmp");
    PosixFile file;
    if (!file.open(temporary, PosixFile::CreateTruncate) ||
        !file.writeAt(0, bytes.constData(), bytes.size()) || !file.sync() || !file.close())
        return Status::failure(file.error());
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path_).constData()) != 0)
        return Status::failure({.kind = Error::Kind::FileNotRenamed, .path = path_, .systemError = errno});
    SyncFolder(QFileInfo(path_).absolutePath());
    return {};
}

Result<std::optional<int>> ReceivedLog::locate(const Line& line, const RecordFile& records,
                                               const QSet<int>& taken) {
    using R = Result<std::optional<int>>;
    for (int n = line.number; n >= line.lowest; --n) {
        if (taken.contains(n))
            continue;
        const Result<std::optional<QByteArray>> bytes = records.read(n);
        if (!bytes)
            return R::failure(bytes.error());
        if (bytes->has_value() && holds(line, **bytes))
            return std::optional<int>(n);
    }
    return std::optional<int>();
}

Status ReceivedLog::forgetRecord(const RecordFile& records, int p) const {
    const Result<QList<Line>> lines = read();
    if (!lines)
        return Status::failure(lines.error());
    if (lines->isEmpty())
        return {};
    const Result<std::optional<QByteArray>> bytes = records.read(p);
    if (!bytes)
        return Status::failure(bytes.error());
    if (!bytes->has_value())
        return {};
    // Records only ever move down, so only lines at or above p can name it;
    // those that do not may find their records one place lower afterwards.
    QList<Line> changed = *lines;
    bool marked = false;
    for (Line& line : changed) {
        if (line.deletedByUser || line.number < p)
            continue;
        if (!marked && line.lowest <= p && holds(line, **bytes))
            marked = line.deletedByUser = true;
        else
            line.lowest = std::max(1, line.lowest - 1);
    }
    return changed == *lines ? Status() : rewrite(changed);
}

Status ReceivedLog::cutInterruptedAppend(const QList<Line>& lines, const RecordFile& records) {
    const Result<int> whole = records.count();
    if (!whole)
        return Status::failure(whole.error());
    const bool wasGoingThere = std::any_of(lines.cbegin(), lines.cend(), [&](const Line& line) {
        return !line.deletedByUser && line.number == *whole + 1;
    });
    return wasGoingThere ? records.cutPieceOf(*whole + 1) : Status();
}

Status CutInterruptedReceivedAppend(const AppPaths& paths) {
    const MailFile file = MailFile::received(paths);
    const RecordFileLock lock(file.path());
    QList<ReceivedLog::Line> lines;
    for (const ReceivedLog& log : ReceivedLog::allIn(paths)) {
        const Result<QList<ReceivedLog::Line>> read = log.read();
        if (!read)
            return Status::failure(read.error());
        lines += *read;
    }
    return ReceivedLog::cutInterruptedAppend(lines, RecordFile(file.path(), MailRecord::kSize));
}

Status DeleteReceivedRecord(const AppPaths& paths, int p) {
    const MailFile file = MailFile::received(paths);
    const RecordFileLock lock(file.path());
    if (const Result<int> count = file.count(); !count) // finishes a deletion left half done
        return Status::failure(count.error());
    // Whichever account's check stored it, every log keeps in step.
    for (const ReceivedLog& log : ReceivedLog::allIn(paths))
        if (Status s = log.forgetRecord(RecordFile(file.path(), MailRecord::kSize), p); !s)
            return s;
    if (Status s = file.markDeleted(p); !s)
        return s;
    return file.compact();
}
