#include "mime/htmlmailfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <sys/stat.h>

#include "store/posixfile.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

// Names tried for one subject; a thousand mails of one subject is plenty.
constexpr int kMostNumbered = 999;

QString nameFor(const QString& subject, int n) {
    return n == 1 ? subject : subject + QStringLiteral(" (%1)").arg(n);
}

QString clean(const QString& text) {
    return TrimSpaces(CutAtNul(text));
}

// "Subject: …", "Date: …", "From: …", in Shift-JIS with CR LF, as the
// program writes its texts.
QByteArray ownerText(const HtmlMailFolder::Owner& owner) {
    return ShiftJis::encode(QStringLiteral("Subject: %1\r\nDate: %2\r\nFrom: %3\r\n")
                                .arg(owner.subject, owner.date, owner.party));
}

std::optional<HtmlMailFolder::Owner> readOwner(const QString& folder) {
    QFile f(folder + u'/' + HtmlMailFolder::kOwnerFile);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    HtmlMailFolder::Owner owner;
    for (const QString& line : ShiftJis::decode(f.read(4096)).split(QStringLiteral("\r\n"))) {
        if (line.startsWith(QStringLiteral("Subject: ")))
            owner.subject = line.mid(9);
        else if (line.startsWith(QStringLiteral("Date: ")))
            owner.date = line.mid(6);
        else if (line.startsWith(QStringLiteral("From: ")))
            owner.party = line.mid(6);
    }
    return owner;
}

} // namespace

namespace HtmlMailFolder {

Owner Owner::ofRecord(const MailRecord& record) {
    // As the history reads it back: what the record's fields could hold.
    const MailRecord stored = MailRecord::fromBytes(record.toBytes());
    return {clean(stored.subject), clean(stored.date), clean(stored.party)};
}

Owner Owner::ofMessage(const QString& subject, const QString& date, const QString& sender) {
    return ofRecord({clean(subject), clean(date), MailRecord::kHtmlKind, clean(sender), {}, 1});
}

bool isUsableName(const QString& subject) {
    const QString name = TrimSpaces(subject);
    if (name.isEmpty() || name == u'.' || name == QStringLiteral(".."))
        return false;
    if (subject.contains(u'/') || subject.contains(u'\\') || subject.contains(QChar(u'\0')))
        return false;
    return !AppPaths::isInstalledFolderName(name) && !AppPaths::isInstalledFolderName(subject);
}

Made create(const AppPaths& paths, const Owner& owner) {
    if (!isUsableName(owner.subject))
        return {Made::Outcome::Unusable, {}, {}, {}};
    for (int n = 1; n <= kMostNumbered; ++n) {
        const QString path = paths.join(nameFor(owner.subject, n));
        if (::mkdir(QFile::encodeName(path).constData(), 0777) != 0) {
            const int error = errno;
            if (error == EEXIST)
                continue;
            if (error == ENAMETOOLONG || error == EINVAL || error == EILSEQ)
                return {Made::Outcome::Unusable, {}, {}, {}};
            return {Made::Outcome::Failed,
                    {},
                    {},
                    QStringLiteral("フォルダ「%1」を作成できません: %2").arg(path, SystemErrorText(error))};
        }
        const QString ownerFile = path + u'/' + kOwnerFile;
        const QByteArray text = ownerText(owner);
        PosixFile file;
        if (!file.open(ownerFile, PosixFile::CreateTruncate) ||
            !file.writeAt(0, text.constData(), text.size()) || !file.close()) {
            const QString error = file.errorText();
            QFile::remove(ownerFile);
            QDir().rmdir(path);
            return {Made::Outcome::Failed, {}, {}, error};
        }
        return {Made::Outcome::Created, path, ownerFile, {}};
    }
    return {Made::Outcome::Unusable, {}, {}, {}};
}

std::optional<QString> find(const AppPaths& paths, const Owner& owner) {
    if (!isUsableName(owner.subject))
        return std::nullopt;
    // The subject's own name first, then the numbered ones in order; gaps
    // are left where mails were deleted.
    const QString prefix = owner.subject + QStringLiteral(" (");
    QList<std::pair<int, QString>> candidates{{1, owner.subject}};
    for (const QString& name : QDir(paths.applicationFolder()).entryList(QDir::Dirs | QDir::Hidden)) {
        if (!name.startsWith(prefix) || !name.endsWith(u')'))
            continue;
        bool ok = false;
        const int n = name.mid(prefix.size(), name.size() - prefix.size() - 1).toInt(&ok);
        if (ok && n >= 2 && n <= kMostNumbered && name == nameFor(owner.subject, n))
            candidates.append({n, name});
    }
    std::sort(candidates.begin(), candidates.end());
    // A folder marked as this mail's own wins; the subject's folder without
    // a mark is anyone's of that subject, as it always was.
    std::optional<QString> unmarked;
    for (const auto& [n, name] : candidates) {
        const QString path = paths.join(name);
        if (!QFileInfo(path).isDir())
            continue;
        const std::optional<Owner> marked = readOwner(path);
        if (marked && *marked == owner)
            return path;
        if (!marked && n == 1)
            unmarked = path;
    }
    return unmarked;
}

} // namespace HtmlMailFolder
