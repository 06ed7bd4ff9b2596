#include "exchange/mailimport.h"

#include "receive/senderverdicts.h"

#include <QFileInfo>
#include <QMap>

#include "exchange/importedkeys.h"
#include "exchange/receivedmessagestore.h"
#include "receive/senderverdicts.h"
#include "store/mailfile.h"
#include "store/posixfile.h"
#include "store/receivedlog.h"
#include "store/recordfile.h"

namespace {

bool cancelled(const MailImport::Hooks& hooks) {
    return hooks.cancelled && hooks.cancelled();
}

// Everything an import wrote reaches the disk before it says it is done.
Status makeDurable(const QList<ProcessedMessage>& stored, const AppPaths& paths, const ImportedKeys& keys) {
    QStringList folders;
    for (const ProcessedMessage& p : stored) {
        for (const QString& file : p.files) {
            if (Status s = SyncFile(file); !s)
                return s;
            if (!folders.contains(QFileInfo(file).path()))
                folders.append(QFileInfo(file).path());
        }
        if (!p.createdFolder.isEmpty())
            folders.append(QFileInfo(p.createdFolder).path());
    }
    for (const QString& folder : std::as_const(folders))
        if (!SyncFolder(folder))
            return Status::failure({.kind = Error::Kind::FolderNotSynced, .path = folder});
    if (Status s = MailFile::received(paths).sync(); !s)
        return s;
    if (Status s = keys.sync(); !s)
        return s;
    return {};
}

} // namespace

namespace MailImport {

Result<Plan> prepare(ImportSource::Kind kind, const QString& path, const AppPaths& paths,
                     const Hooks& hooks) {
    Result<ImportSource> source = ImportSource::open(kind, path);
    if (!source)
        return Result<Plan>::failure(source.error());
    ImportedKeys before(paths.dataFile(ImportedKeys::kFileName));
    if (Status s = before.load(); !s)
        return Result<Plan>::failure(s.error());
    Plan plan{std::move(source).value(), {}, {}, 0};
    const int total = plan.source.count();
    for (int i = 0; i < total && !cancelled(hooks); ++i) {
        const Result<QByteArray> raw = plan.source.message(i);
        if (!raw)
            return Result<Plan>::failure(raw.error());
        plan.keys.append(ImportedKeys::keyOf(*raw));
        plan.importedBefore.append(before.contains(plan.keys.last()));
        plan.alreadyImported += plan.importedBefore.last() ? 1 : 0;
        if (hooks.progress)
            hooks.progress(i + 1, total);
    }
    return plan;
}

Outcome run(const Plan& plan, bool again, const AppPaths& paths, const Hooks& hooks) {
    Outcome outcome;
    outcome.notPlainFiles = plan.source.skipped();
    ImportedKeys keys(paths.dataFile(ImportedKeys::kFileName));
    if (Status s = keys.load(); !s) {
        outcome.error = s.error();
        return outcome;
    }
    // A check killed while appending may have left a piece of a record.
    if (Status s = CutInterruptedReceivedAppend(paths); !s) {
        outcome.error = s.error();
        return outcome;
    }
    QList<ProcessedMessage> stored;
    SenderVerdicts verdicts = SenderVerdicts::providerOnly(paths);
    {
        MessageProcessor processor(paths);
        const MailFile file = MailFile::received(paths);
        const int total = plan.source.count();
        for (int i = 0; i < total; ++i) {
            if (cancelled(hooks)) {
                outcome.stopped = true;
                break;
            }
            if (hooks.progress)
                hooks.progress(i + 1, total);
            const QByteArray& key = plan.keys.value(i);
            // Only earlier imports count: the same message twice in one
            // source is the source's business.
            if (!again && plan.importedBefore.value(i)) {
                ++outcome.skippedAsImported;
                continue;
            }
            const Result<int> count = file.count();
            if (!count) {
                outcome.error = count.error();
                break;
            }
            if (*count >= RecordFile::kMaxRecords) {
                outcome.leftAtLimit = total - i;
                break;
            }
            const Result<QByteArray> raw = plan.source.message(i);
            if (!raw) {
                outcome.error = raw.error();
                break;
            }
            const ReceivedMessageStore::Stored one = ReceivedMessageStore::store(*raw, processor, paths);
            outcome.notices += one.processed.notices;
            if (one.kind == ReceivedMessageStore::Stored::Kind::NotAMessage) {
                ++outcome.broken;
                continue;
            }
            if (one.kind == ReceivedMessageStore::Stored::Kind::Failed) {
                outcome.error = one.error;
                break;
            }
            stored.append(one.processed);
            verdicts.judge(one.row, *raw, one.message);
            ++outcome.imported;
            if (Status s = keys.add(key); !s) {
                outcome.error = s.error();
                break;
            }
        }
    }
    if (const Status durable = makeDurable(stored, paths, keys); !durable && !outcome.error)
        outcome.error = durable.error();
    // A verdict that cannot be kept costs only itself: the mail is imported.
    (void)verdicts.save();
    return outcome;
}

} // namespace MailImport
