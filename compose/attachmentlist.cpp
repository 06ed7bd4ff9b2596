#include "compose/attachmentlist.h"

#include <QFile>
#include <QFileInfo>

#include "text/text.h"

namespace AttachmentList {

QString append(const QString& list, const QString& path) {
    return list.isEmpty() ? path : list + u',' + path;
}

QStringList paths(const QString& list) {
    QStringList out;
    for (const QString& entry : list.split(u','))
        if (const QString path = TrimSpaces(entry); !path.isEmpty())
            out.append(path);
    return out;
}

Status checkReadable(const QString& list) {
    for (const QString& path : paths(list)) {
        QFile file(path);
        // Opening is the only honest test of readability (permissions, ACLs).
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return Status::failure({.kind = Error::Kind::AttachmentUnreadable, .name = path});
    }
    return {};
}

} // namespace AttachmentList
