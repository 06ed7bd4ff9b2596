#include "exchange/mailexport.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>

#include "exchange/mbox.h"
#include "mime/htmlmailfolder.h"
#include "store/recordfile.h"
#include "text/text.h"

namespace {

Error writeError(const QSaveFile& file) {
    return {.kind = Error::Kind::FileNotWritten, .path = file.fileName(), .detail = file.errorString()};
}

// Calls `write` for each record asked for, in order, until it says stop.
Status forEachRecord(const MailExport::Request& request, const MailExport::Hooks& hooks,
                     const std::function<bool(int, const MailRecord&, int total)>& write) {
    const RecordFile records(request.recordFile, MailRecord::kSize);
    auto stopped = [&] { return hooks.cancelled && hooks.cancelled(); };
    if (request.records.isEmpty()) {
        const Result<int> total = records.count();
        if (!total)
            return Status::failure(total.error());
        return records.forEach([&](int n, QByteArrayView bytes) {
            return !stopped() && write(n, MailRecord::fromBytes(bytes), *total);
        });
    }
    for (int n : request.records) {
        if (stopped())
            return {};
        const auto bytes = records.read(n);
        if (!bytes)
            return Status::failure(bytes.error());
        if (bytes->has_value() && !write(n, MailRecord::fromBytes(**bytes), int(request.records.size())))
            return {};
    }
    return {};
}

} // namespace

namespace MailExport {

QString emlName(int record) {
    return QStringLiteral("%1.eml").arg(record, 5, 10, QLatin1Char('0'));
}

QStringList existingTargets(const Request& request) {
    if (request.format == Format::Mbox)
        return QFileInfo::exists(request.target) ? QStringList{request.target} : QStringList();
    QStringList found;
    const QDir folder(request.target);
    if (!folder.exists())
        return found;
    const QStringList present = folder.entryList({QStringLiteral("*.eml")}, QDir::Files);
    auto check = [&](int n) {
        if (present.contains(emlName(n)))
            found.append(folder.filePath(emlName(n)));
    };
    if (request.records.isEmpty()) {
        const Result<int> total = RecordFile(request.recordFile, MailRecord::kSize).count();
        for (int n = 1; total && n <= *total; ++n)
            check(n);
    } else {
        for (int n : request.records)
            check(n);
    }
    return found;
}

Result<int> run(const Request& request, const AppPaths& paths, const Hooks& hooks) {
    const bool mbox = request.format == Format::Mbox;
    const auto lineEnd = mbox ? ExportedMessage::LineEnd::Lf : ExportedMessage::LineEnd::CrLf;
    QSaveFile mboxFile(request.target);
    if (mbox && !mboxFile.open(QIODevice::WriteOnly))
        return Result<int>::failure(writeError(mboxFile));
    if (!mbox && !QDir().mkpath(request.target))
        return Result<int>::failure({.kind = Error::Kind::FolderNotCreated, .path = request.target});
    int written = 0;
    std::optional<Error> failure;
    const RecordFile records(request.recordFile, MailRecord::kSize);
    const Status read = forEachRecord(request, hooks, [&](int n, const MailRecord& record, int total) {
        ExportedMessage::Source source{record, request.direction, request.ownAddress, {}};
        if (request.direction == MailDirection::Received &&
            TrimSpaces(record.kind).contains(MailRecord::kHtmlKind)) {
            const auto folder = HtmlMailFolder::findForRow(paths, records, n);
            if (!folder) {
                failure = folder.error();
                return false;
            }
            source.pageFolder = *folder;
        }
        const QByteArray message = ExportedMessage::build(source, lineEnd);
        if (mbox) {
            if (mboxFile.write(Mbox::entry(ExportedMessage::envelope(source), message)) < 0) {
                failure = writeError(mboxFile);
                return false;
            }
        } else {
            QSaveFile eml(QDir(request.target).filePath(emlName(n)));
            if (!eml.open(QIODevice::WriteOnly) || eml.write(message) != message.size() || !eml.commit()) {
                failure = writeError(eml);
                return false;
            }
        }
        ++written;
        if (hooks.progress)
            hooks.progress(written, total);
        return true;
    });
    if (!read)
        failure = read.error();
    if (!failure && hooks.cancelled && hooks.cancelled())
        failure = Error{.kind = Error::Kind::ExportStopped};
    if (failure) {
        mboxFile.cancelWriting();
        return Result<int>::failure(*failure);
    }
    if (mbox && !mboxFile.commit())
        return Result<int>::failure(writeError(mboxFile));
    return written;
}

} // namespace MailExport
