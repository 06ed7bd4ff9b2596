#include "exchange/importsource.h"

#include <QDir>
#include <QFileInfo>

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

QStringList filesIn(const QString& folder, const QStringList& patterns) {
    QStringList out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(patterns, QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        out.append(dir.filePath(name));
    return out;
}

} // namespace

Result<ImportSource> ImportSource::open(Kind kind, const QString& path) {
    using R = Result<ImportSource>;
    ImportSource source;
    source.kind_ = kind;
    if (kind == Kind::Mbox) {
        source.mbox_ = std::make_shared<QFile>(path);
        if (!source.mbox_->open(QIODevice::ReadOnly))
            return R::failure(
                QStringLiteral("「%1」を開けません: %2").arg(path, source.mbox_->errorString()));
        if (source.mbox_->size() > 0) {
            // Mapped rather than read: an mbox may be larger than memory.
            const uchar* bytes = source.mbox_->map(0, source.mbox_->size());
            if (!bytes)
                return R::failure(
                    QStringLiteral("「%1」を読めません: %2").arg(path, source.mbox_->errorString()));
            source.mapped_ = QByteArrayView(reinterpret_cast<const char*>(bytes), source.mbox_->size());
        }
        if (!source.mapped_.isEmpty() && !source.mapped_.startsWith("From "))
            return R::failure(QStringLiteral("「%1」は mbox ファイルではありません。").arg(path));
        source.spans_ = Mbox::split(source.mapped_);
        return source;
    }
    if (!QFileInfo(path).isDir())
        return R::failure(QStringLiteral("フォルダ「%1」がありません。").arg(path));
    if (kind == Kind::EmlFolder) {
        source.files_ = filesIn(path, {QStringLiteral("*.eml"), QStringLiteral("*.EML")});
        return source;
    }
    if (!QFileInfo(path + QStringLiteral("/cur")).isDir() &&
        !QFileInfo(path + QStringLiteral("/new")).isDir())
        return R::failure(
            QStringLiteral("「%1」は Maildir ではありません（cur と new がありません）。").arg(path));
    // Maildir names begin with the time of delivery, seconds then
    // microseconds ("1765123999.M5P4711Q1.host"), the microseconds without
    // leading zeros: in the order of their numbers is by arrival.
    QList<QFileInfo> files;
    for (const char* sub : {"/cur", "/new"})
        for (const QString& file : filesIn(path + QString::fromLatin1(sub), {}))
            if (!QFileInfo(file).fileName().startsWith(u'.'))
                files.append(QFileInfo(file));
    std::sort(files.begin(), files.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return inNumberOrder(a.fileName(), b.fileName());
    });
    for (const QFileInfo& file : files)
        source.files_.append(file.filePath());
    return source;
}

Result<QByteArray> ImportSource::message(int i) const {
    if (kind_ == Kind::Mbox) {
        const Mbox::Span& span = spans_.at(i);
        return Mbox::unquote(mapped_.sliced(span.start, span.length));
    }
    QFile file(files_.at(i));
    if (!file.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(
            QStringLiteral("「%1」を読めません: %2").arg(files_.at(i), file.errorString()));
    return file.readAll();
}
