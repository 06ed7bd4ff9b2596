#include "receive/attachmentwriter.h"

#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "store/posixfile.h"

namespace {

// Linux allows 255 bytes per name; leave room for a suffix such as " (1f3a9c07)".
constexpr qsizetype kMaxNameBytes = 200;

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

QString fitName(QString name) {
    while (name.toUtf8().size() > kMaxNameBytes) {
        const qsizetype dot = name.lastIndexOf(u'.');
        const bool keepExtension = dot > 0 && name.size() - dot <= 10;
        const qsizetype cutAt = keepExtension ? dot - 1 : name.size() - 1;
        if (cutAt < 0)
            break;
        name.remove(cutAt, 1);
    }
    return name;
}

QString withSuffix(const QString& name, const QString& suffix) {
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        return name.left(dot) + suffix + name.mid(dot);
    return name + suffix;
}

// The n-th name tried for an attachment: "photo.jpg", "photo (2).jpg", …
// Past a thousand the numbers stop (trying each would grow with every mail
// that carries the same name, as every HTML mail carries index.htm) and a
// random tag makes the name unique instead.
constexpr int kNumberedNames = 999;
constexpr int kTaggedTries = 64;

QString candidateName(const QString& name, int n) {
    if (n == 1)
        return name;
    if (n <= kNumberedNames)
        return withSuffix(name, QStringLiteral(" (%1)").arg(n));
    const quint32 tag = QRandomGenerator::global()->generate();
    return withSuffix(name, QStringLiteral(" (%1)").arg(tag, 8, 16, QLatin1Char('0')));
}

bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

QString AttachmentWriter::safeName(const QString& suggested, int index) {
    QString name = suggested;
    const qsizetype slash = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    if (slash >= 0)
        name = name.mid(slash + 1);
    QString clean;
    // Control characters (C0, DEL and C1 such as the terminal's CSI) and
    // invisible format characters such as a right-to-left override.
    for (const QChar c : std::as_const(name))
        if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean += c;
    while (clean.startsWith(u'.') || clean.startsWith(u' '))
        clean.remove(0, 1);
    while (clean.endsWith(u' '))
        clean.chop(1);
    if (clean.isEmpty())
        return QStringLiteral("attachment-%1.bin").arg(index);
    return fitName(clean);
}

AttachmentWriter::Report AttachmentWriter::write(const ReceivedMessage& message, const QString& folder) {
    Report report;
    if (message.partsMissing)
        report.outcome = Outcome::PartsMissing;
    if (message.attachments.isEmpty())
        return report;
    // The first file that cannot be written ends the message: it is not
    // stored without it, so the rest need not be written either.
    auto failed = [&report](Error what) {
        what.systemError = errno;
        report.outcome = Outcome::FileNotOpened;
        report.error = std::move(what);
        return report;
    };
    Fd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0)
        return failed({.kind = Error::Kind::FolderNotOpened, .path = folder});
    int index = 0;
    for (const MessageAttachment& attachment : message.attachments) {
        ++index;
        const QString base = safeName(attachment.name, index);
        bool written = false;
        for (int n = 1; n <= kNumberedNames + kTaggedTries && !written; ++n) {
            const QString name = candidateName(base, n);
            const QByteArray encoded = QFile::encodeName(name);
            // O_EXCL with O_NOFOLLOW: never replace a file, never write through a link.
            Fd fd(::openat(dir.get(), encoded.constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
            if (fd.get() < 0) {
                if (errno == EEXIST)
                    continue;
                return failed({.kind = Error::Kind::AttachmentNotWritten, .name = name});
            }
            if (!writeAll(fd.get(), attachment.content)) {
                const Report partial = failed({.kind = Error::Kind::AttachmentNotWritten, .name = name});
                ::unlinkat(dir.get(), encoded.constData(), 0);
                return partial;
            }
            StartWriteback(fd.get()); // synced before the message leaves the server
            report.writtenFiles.append(folder + u'/' + name);
            written = true;
        }
        if (!written) {
            errno = EEXIST; // every name it could have was taken
            return failed({.kind = Error::Kind::AttachmentNotWritten, .name = base});
        }
    }
    return report;
}
