#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

#include "exchange/exchangehooks.h"
#include "exchange/importsource.h"
#include "store/apppaths.h"
#include "text/error.h"
#include "text/result.h"

// Imports mail from files into the received history: each message goes
// the way a message from the server goes (decoded, unpacked into its HTML
// mail folder and 添付フォルダ, its record appended; written whole or not at
// all), then everything is made durable. Stops at the record file's limit,
// skips and counts what is not a mail message, and knows what it imported
// before (ImportedKeys).
namespace MailImport {

struct Plan {
    ImportSource source;
    QList<QByteArray> keys;     // by message
    QList<bool> importedBefore; // by message: its key was imported by an earlier import
    int alreadyImported = 0;
};

using Hooks = ExchangeHooks;

// Reads every message once for its key; a message that cannot be read
// fails it.
Result<Plan> prepare(ImportSource::Kind kind, const QString& path, const AppPaths& paths,
                     const Hooks& hooks = {});

struct Outcome {
    int imported = 0;
    int broken = 0; // not a mail message: skipped
    int skippedAsImported = 0;
    int notPlainFiles = 0;      // links and the like in the source: never read
    int leftAtLimit = 0;        // not imported: the record file was full
    bool stopped = false;       // cancelled
    std::optional<Error> error; // what stopped the import part-way (a full disk, a source that changed)
    QList<Error> notices;       // what unpacking noted, each naming its mail, in order
};

// `again`: import the messages imported before as well.
Outcome run(const Plan& plan, bool again, const AppPaths& paths, const Hooks& hooks = {});

} // namespace MailImport
