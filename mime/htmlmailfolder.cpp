#include "mime/htmlmailfolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <sys/stat.h>

#include "store/posixfile.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

// Names tried for one subject; a thousand mails of one subject is plenty.
constexpr int kMostNumbered = 999;

const QString kSubjectLine = QStringLiteral("Subject: ");
const QString kDateLine = QStringLiteral("Date: ");
const QString kFromLine = QStringLiteral("From: ");
const QString kRecordLine = QStringLiteral("Record: ");
const QString kStoredLine = QStringLiteral("Stored: ");

QString nameFor(const QString& subject, int n) {
    return n == 1 ? subject : subject + QStringLiteral(" (%1)").arg(n);
}

QString clean(const QString& text) {
    return TrimSpaces(CutAtNul(text));
}

bool isHtmlRecord(const MailRecord& record) {
    return clean(record.kind).contains(MailRecord::kHtmlKind);
}

// The record as the history reads it back from the file.
MailRecord asStored(const MailRecord& record) {
    MailRecord live = record;
    live.live = 1;
    return MailRecord::fromBytes(live.toBytes());
}

// What older copies marked a folder with, and still compare.
struct Triple {
    QString subject;
    QString date;
    QString party;
    friend bool operator==(const Triple&, const Triple&) = default;
};

Triple tripleOf(const MailRecord& record) {
    const MailRecord stored = asStored(record);
    return {clean(stored.subject), clean(stored.date), clean(stored.party)};
}

// A header text kept on one line: a subject may hold line breaks.
QString escaped(QString value) {
    value.replace(u'\\', QStringLiteral("\\\\"));
    value.replace(u'\r', QStringLiteral("\\r"));
    value.replace(u'\n', QStringLiteral("\\n"));
    return value;
}

qint64 nowNs() {
    timespec t{};
    ::clock_gettime(CLOCK_REALTIME, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// "Subject: …", "Date: …", "From: …" for older copies to read, then the
// record's digest and when it was stored, in Shift-JIS with CR LF, as the
// program writes its texts.
QByteArray ownerText(const MailRecord& record) {
    const Triple t = tripleOf(record);
    return ShiftJis::encode(kSubjectLine + escaped(t.subject) + QStringLiteral("\r\n") + kDateLine +
                            escaped(t.date) + QStringLiteral("\r\n") + kFromLine + escaped(t.party) +
                            QStringLiteral("\r\n") + kRecordLine +
                            QString::fromLatin1(HtmlMailFolder::keyOf(record)) + QStringLiteral("\r\n") +
                            kStoredLine + QString::number(nowNs()) + QStringLiteral("\r\n"));
}

struct Mark {
    Triple triple;     // an older copy's mark
    QByteArray key;    // empty in an older copy's mark
    qint64 stored = 0; // orders the folders of one key
};

std::optional<Mark> readMark(const QString& folder) {
    QFile f(folder + u'/' + HtmlMailFolder::kOwnerFile);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    Mark mark;
    for (const QString& line : ShiftJis::decode(f.read(4096)).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(kSubjectLine))
            mark.triple.subject = line.mid(kSubjectLine.size());
        else if (line.startsWith(kDateLine))
            mark.triple.date = line.mid(kDateLine.size());
        else if (line.startsWith(kFromLine))
            mark.triple.party = line.mid(kFromLine.size());
        else if (line.startsWith(kRecordLine))
            mark.key = line.mid(kRecordLine.size()).toLatin1();
        else if (line.startsWith(kStoredLine))
            mark.stored = line.mid(kStoredLine.size()).toLongLong();
    }
    return mark;
}

// The folders that belong to mails with `record`'s content, oldest first
// (those older copies marked, then ours in the order stored), and the
// subject's unmarked folder, which anyone's of that subject may use.
struct Folders {
    QStringList owned;
    std::optional<QString> unmarked;
};

Folders foldersOf(const AppPaths& paths, const MailRecord& record) {
    Folders folders;
    const QString subject = clean(asStored(record).subject);
    if (!isHtmlRecord(record) || !HtmlMailFolder::isUsableName(subject))
        return folders;
    // The subject's own name first, then the numbered ones in order; gaps
    // are left where mails were deleted.
    const QString prefix = subject + QStringLiteral(" (");
    QList<std::pair<int, QString>> names{{1, subject}};
    for (const QString& name : QDir(paths.applicationFolder()).entryList(QDir::Dirs | QDir::Hidden)) {
        if (!name.startsWith(prefix) || !name.endsWith(u')'))
            continue;
        bool ok = false;
        const int n = name.mid(prefix.size(), name.size() - prefix.size() - 1).toInt(&ok);
        if (ok && n >= 2 && n <= kMostNumbered && name == nameFor(subject, n))
            names.append({n, name});
    }
    std::sort(names.begin(), names.end());
    const QByteArray key = HtmlMailFolder::keyOf(record);
    const Triple triple = tripleOf(record);
    QList<std::pair<qint64, QString>> ours;
    for (const auto& [n, name] : names) {
        const QString path = paths.join(name);
        if (!QFileInfo(path).isDir())
            continue;
        const std::optional<Mark> mark = readMark(path);
        if (!mark) {
            if (n == 1)
                folders.unmarked = path;
        } else if (mark->key.isEmpty()) {
            if (mark->triple == triple)
                folders.owned.append(path);
        } else if (mark->key == key) {
            ours.append({mark->stored, path});
        }
    }
    // Stable: two stored in the same nanosecond keep their numbers' order.
    std::stable_sort(ours.begin(), ours.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& folder : ours)
        folders.owned.append(folder.second);
    return folders;
}

std::optional<QString> choose(const Folders& folders, int identicalBefore) {
    if (folders.owned.isEmpty())
        return folders.unmarked;
    if (identicalBefore < folders.owned.size())
        return folders.owned[identicalBefore];
    return std::nullopt;
}

} // namespace

namespace HtmlMailFolder {

bool isUsableName(const QString& subject) {
    const QString name = TrimSpaces(subject);
    if (name.isEmpty() || name == u'.' || name == QStringLiteral(".."))
        return false;
    if (subject.contains(u'/') || subject.contains(u'\\') || subject.contains(QChar(u'\0')))
        return false;
    return !AppPaths::isInstalledFolderName(name) && !AppPaths::isInstalledFolderName(subject);
}

QByteArray keyOf(const MailRecord& record) {
    // BLAKE2b-256, as owner files have always had it.
    return QCryptographicHash::hash(asStored(record).toBytes(), QCryptographicHash::Blake2b_256).toHex();
}

Made create(const AppPaths& paths, const MailRecord& record) {
    const QString subject = clean(asStored(record).subject);
    if (!isUsableName(subject))
        return {Made::Outcome::Unusable, {}, {}, {}};
    for (int n = 1; n <= kMostNumbered; ++n) {
        const QString path = paths.join(nameFor(subject, n));
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST)
                continue;
            if (error == ENAMETOOLONG || error == EINVAL || error == EILSEQ)
                return {Made::Outcome::Unusable, {}, {}, {}};
            return {Made::Outcome::Failed,
                    {},
                    {},
                    {.kind = Error::Kind::FolderNotCreated, .path = path, .systemError = error}};
        }
        const QString ownerFile = path + u'/' + kOwnerFile;
        const QByteArray text = ownerText(record);
        PosixFile file;
        if (!file.open(ownerFile, PosixFile::CreateTruncate) ||
            !file.writeAt(0, text.constData(), text.size()) || !file.close()) {
            const Error error = file.error();
            QFile::remove(ownerFile);
            QDir().rmdir(path);
            return {Made::Outcome::Failed, {}, {}, error};
        }
        return {Made::Outcome::Created, path, ownerFile, {}};
    }
    return {Made::Outcome::Unusable, {}, {}, {}};
}

std::optional<QString> find(const AppPaths& paths, const MailRecord& record, int identicalBefore) {
    return choose(foldersOf(paths, record), identicalBefore);
}

Result<std::optional<QString>> findForRow(const AppPaths& paths, const RecordFile& records, int p) {
    using R = Result<std::optional<QString>>;
    const auto recordAt = [&](int n) -> Result<std::optional<MailRecord>> {
        const auto bytes = records.read(n);
        if (!bytes)
            return Result<std::optional<MailRecord>>::failure(bytes.error());
        if (!bytes->has_value())
            return std::optional<MailRecord>();
        return std::optional<MailRecord>(MailRecord::fromBytes(**bytes));
    };
    const auto read = recordAt(p);
    if (!read)
        return R::failure(read.error());
    if (!read->has_value())
        return std::optional<QString>();
    const MailRecord& record = **read;
    const Folders folders = foldersOf(paths, record);
    if (folders.owned.size() < 2)
        return choose(folders, 0);
    // One mail delivered twice: count the same records before it, looking
    // at the list columns first so that only look-alikes are read whole.
    const QByteArray key = keyOf(record);
    const QByteArray columns = asStored(record).toBytes().first(MailRecord::kListColumnsSize);
    QList<int> lookAlikes;
    const Status listed = records.forEach(
        [&](int n, QByteArrayView head) {
            if (n >= p)
                return false;
            if (head == columns)
                lookAlikes.append(n);
            return true;
        },
        MailRecord::kListColumnsSize);
    if (!listed)
        return R::failure(listed.error());
    int identicalBefore = 0;
    for (int n : std::as_const(lookAlikes)) {
        const auto other = recordAt(n);
        if (!other)
            return R::failure(other.error());
        if (other->has_value() && keyOf(**other) == key)
            ++identicalBefore;
    }
    return choose(folders, identicalBefore);
}

} // namespace HtmlMailFolder
