#include "exchange/importedkeys.h"

#include <QCryptographicHash>
#include <QFile>

#include "store/posixfile.h"

ImportedKeys::ImportedKeys(QString path) : path_(std::move(path)) {}

QByteArray ImportedKeys::keyOf(QByteArrayView raw) {
    // The header block, unfolded enough to find Message-ID.
    const qsizetype end = [&] {
        const qsizetype crlf = raw.indexOf("\r\n\r\n");
        const qsizetype lf = raw.indexOf("\n\n");
        return crlf < 0 ? lf : (lf < 0 ? crlf : std::min(crlf, lf));
    }();
    const QByteArray head = raw.first(end < 0 ? raw.size() : end).toByteArray().replace("\r\n", "\n");
    for (qsizetype at = 0; at < head.size();) {
        qsizetype next = head.indexOf('\n', at);
        next = next < 0 ? head.size() : next;
        QByteArray line = head.mid(at, next - at);
        while (next + 1 < head.size() && (head.at(next + 1) == ' ' || head.at(next + 1) == '\t')) {
            const qsizetype more = head.indexOf('\n', next + 1);
            line += head.mid(next + 1, (more < 0 ? head.size() : more) - next - 1);
            next = more < 0 ? head.size() : more;
        }
        if (line.toLower().startsWith("message-id:")) {
            const QByteArray id = line.mid(11).simplified();
            if (!id.isEmpty())
                return "id " + id;
        }
        at = next + 1;
    }
    QByteArray text = raw.toByteArray();
    text.replace("\r\n", "\n");
    return "sha256 " + QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

Status ImportedKeys::load() {
    keys_.clear();
    QFile file(path_);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        return Status::failure(
            {.kind = Error::Kind::FileNotRead, .path = path_, .detail = file.errorString()});
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.isEmpty())
            keys_.insert(line);
    return {};
}

Status ImportedKeys::add(const QByteArray& key) {
    if (keys_.contains(key))
        return {};
    QFile file(path_);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(key + '\n') != key.size() + 1)
        return Status::failure(
            {.kind = Error::Kind::FileNotWritten, .path = path_, .detail = file.errorString()});
    keys_.insert(key);
    return {};
}

Status ImportedKeys::sync() const {
    return QFile::exists(path_) ? SyncFile(path_) : Status();
}
