#include "history/messagedisplay.h"

#include <QFile>

#include "mime/htmlmailfolder.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

// The page's source as lines, each followed by CR LF; Shift-JIS, as the
// program reads text files.
QString sourceText(const QString& page) {
    QFile f(page);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString out;
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
        out += ShiftJis::decode(line) + QStringLiteral("\r\n");
    }
    return out;
}

} // namespace

Result<std::optional<MailDisplay>> MailDisplay::forRow(HistoryMode mode, const AppPaths& paths, int p,
                                                       bool htmlAsSource) {
    using R = Result<std::optional<MailDisplay>>;
    const auto record = HistorySetup::fileOf(mode, paths).read(p);
    if (!record)
        return R::failure(record.error());
    if (!record->has_value())
        return std::optional<MailDisplay>();
    MailDisplay d;
    d.shown = MailDetails::fromRecord(**record, mode);
    if (mode == HistoryMode::Sent)
        return std::optional<MailDisplay>(d);

    if (d.shown.kind == MailRecord::kTextKind)
        return std::optional<MailDisplay>(d);
    if (d.shown.kind != MailRecord::kHtmlKind) {
        d.view = View::KindOnly;
        return std::optional<MailDisplay>(d);
    }
    d.updatesCount = false;
    const auto found =
        HtmlMailFolder::findForRow(paths, RecordFile(paths.receivedMailFile(), MailRecord::kSize), p);
    if (!found)
        return R::failure(found.error());
    const std::optional<QString>& folder = *found;
    const QString page = folder ? *folder + QStringLiteral("/index.htm") : QString();
    if (htmlAsSource) {
        d.view = View::Source;
        d.shown.text = folder ? sourceText(page) : QString();
    } else {
        d.view = View::Page;
        d.pageFile = page;
        d.pageFolder = folder.value_or(QString());
        d.shown.text = kReceivedHtmlText;
    }
    return std::optional<MailDisplay>(d);
}
