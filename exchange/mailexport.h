#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "exchange/exchangehooks.h"
#include "exchange/exportedmessage.h"
#include "store/apppaths.h"
#include "text/result.h"

// Writes mails of a history out for other programs: one mbox file (mboxrd)
// or a folder of .eml files, each mail a standard MIME message. A file is
// written to a temporary beside it and renamed when complete, so a failure
// or a stop leaves no half file behind. Only reads the record file.
namespace MailExport {

enum class Format { Mbox, EmlFolder };

struct Request {
    Format format = Format::Mbox;
    QString target; // the mbox file, or the folder of .eml files
    QString recordFile;
    MailDirection direction = MailDirection::Received;
    QString ownAddress;
    QList<int> records; // record numbers; empty: every record
};

using Hooks = ExchangeHooks;

// The file an EML export writes record n to.
QString emlName(int record);
// The files that exist already and the export would replace.
QStringList existingTargets(const Request& request);

// How many mails were written.
Result<int> run(const Request& request, const AppPaths& paths, const Hooks& hooks = {});

} // namespace MailExport
