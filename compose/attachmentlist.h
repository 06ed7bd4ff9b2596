#pragma once

#include <QString>
#include <QStringList>

#include "text/result.h"

// The attachment list as the compose and reply windows keep it: full paths
// joined with "," and nothing between them.
namespace AttachmentList {

// `list` with `path` added at its end.
QString append(const QString& list, const QString& path);

// The paths of a list, in order; empty entries are dropped.
QStringList paths(const QString& list);

// Fails, naming the path, when an entry does not name a readable file: the
// user may have typed it, or deleted the file since choosing it.
Status checkReadable(const QString& list);

} // namespace AttachmentList
