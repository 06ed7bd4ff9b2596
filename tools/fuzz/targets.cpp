#include "tools/fuzz/targets.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "mime/charsets.h"
#include "mime/headertext.h"
#include "mime/htmltext.h"
#include "mime/iso2022jp.h"
#include "mime/mimedecoder.h"
#include "receive/attachmentwriter.h"
#include "receive/messageprocessor.h"
#include "settings/inifile.h"
#include "store/addressfile.h"
#include "store/mailfile.h"
#include "tests/support/fakemailstream.h"
#include "text/shiftjis.h"
#include "transport/pop3session.h"

namespace FuzzTargets {

namespace {

bool writeFile(const QString& path, QByteArrayView bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           f.write(bytes.data(), bytes.size()) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every entry under `folder`, as paths relative to it, links not followed.
QStringList entriesUnder(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out.append(QDir(folder).relativeFilePath(it.next()));
    out.sort();
    return out;
}

QString checkAttachments(const ReceivedMessage& message, const QString& folder) {
    const AttachmentWriter::Report report = AttachmentWriter::write(message, folder);
    if (report.outcome == AttachmentWriter::Outcome::FileNotOpened)
        return QStringLiteral("an attachment was not written: %1").arg(report.error.debugText());
    if (report.writtenFiles.size() != message.attachments.size())
        return QStringLiteral("%1 attachments, %2 files")
            .arg(message.attachments.size())
            .arg(report.writtenFiles.size());
    for (qsizetype i = 0; i < report.writtenFiles.size(); ++i) {
        const QFileInfo file(report.writtenFiles[i]);
        if (file.absolutePath() != QDir(folder).absolutePath() || file.isSymLink() || !file.isFile())
            return QStringLiteral("attachment written outside its folder: %1").arg(report.writtenFiles[i]);
        if (readFile(file.filePath()) != message.attachments[i].content)
            return QStringLiteral("attachment content differs: %1").arg(file.fileName());
    }
    if (entriesUnder(folder).size() != report.writtenFiles.size())
        return QStringLiteral("files in the attachment folder that no attachment reports");
    return {};
}

} // namespace

QString mimeMessage(QByteArrayView input) {
    const ReceivedMessage message = MimeDecoder::decode(input);
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return {};
    const QString attachments = scratch.filePath(QStringLiteral("attachments"));
    QDir().mkdir(attachments);
    if (QString broken = checkAttachments(message, attachments); !broken.isEmpty())
        return broken;

    // The receiving side: an HTML mail's folder named from its subject and
    // the attachment folder, both inside the application folder.
    const QString app = scratch.filePath(QStringLiteral("app"));
    QDir().mkdir(app);
    const AppPaths paths(app);
    if (!paths.ensureLayout())
        return {};
    const QStringList installed = entriesUnder(app);
    {
        MessageProcessor processor(paths);
        (void)processor.ProcessReceivedMessage(message);
    }
    const QStringList outside = entriesUnder(scratch.path());
    for (const QString& entry : outside)
        if (!entry.startsWith(QStringLiteral("app/")) && !entry.startsWith(QStringLiteral("attachments")) &&
            entry != QStringLiteral("app"))
            return QStringLiteral("written outside the application folder: %1").arg(entry);
    // Beside the installed folders at most one new folder (the HTML mail's).
    QStringList added;
    for (const QString& entry : entriesUnder(app))
        if (!installed.contains(entry) && !entry.contains(u'/'))
            added.append(entry);
    if (added.size() > 1 || (added.size() == 1 && !QFileInfo(app + u'/' + added[0]).isDir()))
        return QStringLiteral("unexpected entries in the application folder: %1").arg(added.join(u','));
    return {};
}

QString headerText(QByteArrayView input) {
    const QString decoded = HeaderText::decode(input);
    // Decoding never makes text longer than the bytes it came from, give or take.
    if (decoded.size() > 2 * input.size() + 16)
        return QStringLiteral("decoded header grew to %1 characters").arg(decoded.size());
    for (const char* name : {"name", "filename", "charset", "boundary"}) {
        const QString value = HeaderText::parameter(input, QByteArrayView(name));
        if (value.size() > 2 * input.size() + 16)
            return QStringLiteral("parameter %1 grew to %2 characters")
                .arg(QLatin1StringView(name))
                .arg(value.size());
    }
    const QByteArray token = HeaderText::leadingToken(input);
    if (token.size() > input.size() || token != token.toLower())
        return QStringLiteral("leading token is not a lower-case part of the value");
    return {};
}

QString japaneseText(QByteArrayView input) {
    const QString text = ShiftJis::decode(input);
    if (text.size() > input.size())
        return QStringLiteral("Shift-JIS text longer than its bytes");
    // A field is exactly its width and never ends in half a character.
    const qsizetype width = input.isEmpty() ? 0 : static_cast<unsigned char>(input.front()) % 120;
    const QByteArray field = ShiftJis::encodeField(text, width);
    if (field.size() != width)
        return QStringLiteral("field of %1 bytes for a width of %2").arg(field.size()).arg(width);
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (!ShiftJis::isLeadByte(static_cast<unsigned char>(field[i])))
            continue;
        if (i + 1 == field.size())
            return QStringLiteral("field ends in half a character");
        ++i;
    }
    (void)Iso2022Jp::encode(text);

    // "label\ncontent" tries the label the input names; the rest, the usual ones.
    const qsizetype newline = input.indexOf('\n');
    if (newline >= 0 && newline < 40)
        (void)Charsets::decode(input.sliced(newline + 1), input.first(newline));
    for (const char* label : {"iso-2022-jp", "shift_jis", "euc-jp", "utf-8", ""}) {
        const QString decoded = Charsets::decode(input, QByteArrayView(label));
        if (decoded.size() > input.size())
            return QStringLiteral("%1 text longer than its bytes").arg(QLatin1StringView(label));
        (void)Iso2022Jp::encode(decoded);
    }
    (void)Charsets::decodeUnlabelled(input);
    return {};
}

namespace {

template <typename File> QString checkRecords(const File& file, qsizetype recordSize) {
    const Result<int> count = file.count();
    if (!count)
        return {}; // a clear error is a fine answer to a broken file
    const qint64 length = QFileInfo(file.path()).size();
    if (*count != length / recordSize)
        return QStringLiteral("count %1 for %2 bytes").arg(*count).arg(length);
    const auto all = file.readAll();
    if (!all)
        return {};
    if (all->size() != *count)
        return QStringLiteral("readAll gave %1 records of %2").arg(all->size()).arg(*count);
    for (qsizetype i = 0; i < all->size(); ++i)
        if ((*all)[i].number != i + 1)
            return QStringLiteral("record %1 numbered %2").arg(i + 1).arg((*all)[i].number);
    const auto past = file.read(*count + 1);
    if (past && past->has_value())
        return QStringLiteral("read a record past the last whole one");
    if (*count > 0) {
        const auto last = file.read(*count);
        if (last && (!last->has_value() || !(**last == all->last().record)))
            return QStringLiteral("read and readAll disagree on the last record");
    }
    return {};
}

} // namespace

QString recordFile(QByteArrayView input) {
    if (input.isEmpty())
        return {};
    const unsigned char flags = static_cast<unsigned char>(input.front());
    const bool mail = flags & 1;
    const bool withWorkingFile = flags & 2;
    QByteArrayView rest = input.sliced(1);
    QByteArrayView working;
    if (withWorkingFile && rest.size() >= 2) {
        const qsizetype split =
            (static_cast<unsigned char>(rest[0]) | static_cast<unsigned char>(rest[1]) << 8) %
            (rest.size() - 1);
        working = rest.sliced(2).first(std::min(split, rest.size() - 2));
        rest = rest.sliced(2 + working.size());
    }
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return {};
    const QString path = scratch.filePath(QStringLiteral("records.data"));
    const QString workingPath = scratch.filePath(QStringLiteral("RECORDS.TMP"));
    writeFile(path, rest);
    if (withWorkingFile)
        writeFile(workingPath, working);

    if (!mail) {
        const AddressFile file(path, workingPath);
        if (QString broken = checkRecords(file, AddressRecord::kSize); !broken.isEmpty())
            return broken;
        const auto all = file.ReadAllAddressRecords();
        if (all && all->size() != QFileInfo(path).size() / AddressRecord::kSize)
            return QStringLiteral("the address book reads %1 records").arg(all->size());
    } else {
        const MailFile file(path, workingPath);
        if (QString broken = checkRecords(file, MailRecord::kSize); !broken.isEmpty())
            return broken;
        const auto all = file.readAll();
        const auto columns = file.readListColumns();
        if (all && columns) {
            if (columns->size() != all->size())
                return QStringLiteral("%1 list rows for %2 records").arg(columns->size()).arg(all->size());
            for (qsizetype i = 0; i < all->size(); ++i)
                if ((*columns)[i].subject != (*all)[i].record.subject ||
                    (*columns)[i].party != (*all)[i].record.party)
                    return QStringLiteral("list row %1 differs from its record").arg(i + 1);
        }
    }
    // Without a working file, reading never changes the file.
    if (!withWorkingFile && readFile(path) != rest)
        return QStringLiteral("reading changed the record file");
    return {};
}

QString iniFile(QByteArrayView input) {
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return {};
    const QString path = scratch.filePath(QStringLiteral("fuzz.ini"));
    writeFile(path, input);
    const IniFile ini(path);

    // Some other key the file holds: the first "key=" after a "[section]".
    QString otherSection, otherKey;
    const QStringList lines = ShiftJis::decode(input).replace(u'\r', u'\n').split(u'\n');
    QString section;
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.contains(u']')) {
            section = t.mid(1, t.indexOf(u']') - 1).trimmed();
        } else if (!section.isEmpty() && t.contains(u'=') && !t.startsWith(u';')) {
            otherSection = section;
            otherKey = t.left(t.indexOf(u'=')).trimmed();
            break;
        }
    }
    auto fits = [](const QString& value) { return ShiftJis::encode(value).size() <= 255; };
    const QString otherBefore = ini.read(otherSection, otherKey);
    if (!fits(otherBefore) || !fits(ini.read(QStringLiteral("Fuzz"), QStringLiteral("key"))))
        return QStringLiteral("a value longer than its buffer");

    const QString value = QStringLiteral("値 1");
    if (!ini.write(QStringLiteral("Fuzz"), QStringLiteral("key"), value))
        return QStringLiteral("writing failed");
    if (ini.read(QStringLiteral("fuzz"), QStringLiteral("KEY")) != value)
        return QStringLiteral("the written value does not read back");
    const bool same = otherSection.compare(QStringLiteral("Fuzz"), Qt::CaseInsensitive) == 0 &&
                      otherKey.compare(QStringLiteral("key"), Qt::CaseInsensitive) == 0;
    if (!otherKey.isEmpty() && !same && ini.read(otherSection, otherKey) != otherBefore)
        return QStringLiteral("writing one key changed [%1] %2").arg(otherSection, otherKey);
    return {};
}

QString pop3Replies(QByteArrayView input) {
    if (input.isEmpty())
        return {};
    const qsizetype piece = qsizetype(static_cast<unsigned char>(input[0])) + 1;
    QList<FakeMailStream::Chunk> chunks;
    for (qsizetype at = 1; at < input.size(); at += piece)
        chunks.append({input.sliced(at, std::min(piece, input.size() - at)).toByteArray(), 1000});
    auto stream = std::make_unique<FakeMailStream>(chunks);
    const auto record = stream->record();
    Pop3Session::Options options;
    options.maxMessageBytes = 1 << 16;
    Pop3Session pop(options, std::move(stream), TlsPolicy(QString(), [](const Error&) { return true; }));
    QSet<QByteArray> fetched;
    if (pop.connect(QStringLiteral("127.0.0.1"))) {
        const Result<int> count = pop.authenticate(QStringLiteral("u"), QStringLiteral("p"), false);
        for (int n = 1; count && n <= std::min(*count, 64); ++n) {
            const Result<QByteArray> raw = pop.fetchRaw(n);
            if (!raw)
                continue;
            if (!raw->isEmpty() && !raw->endsWith("\r\n"))
                return QStringLiteral("message %1 ends in half a line").arg(n);
            fetched.insert(QByteArray::number(n));
            (void)pop.remove(n);
        }
    }
    pop.close();
    for (const QByteArray& line : record->written)
        if (line.startsWith("DELE ") && !fetched.contains(line.mid(5)))
            return QStringLiteral("deleted without fetching: %1").arg(QString::fromLatin1(line));
    return {};
}

QString htmlText(QByteArrayView input) {
    const QString html = QString::fromUtf8(input);
    const QString text = HtmlText::toPlainText(html);
    if (text.size() > html.size())
        return QStringLiteral("%1 characters of text from %2 of markup").arg(text.size()).arg(html.size());
    if (text != text.trimmed())
        return QStringLiteral("text not trimmed");
    for (qsizetype i = 0; i < text.size(); ++i)
        if ((text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) ||
            (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            return QStringLiteral("a line end other than CR LF at %1").arg(i);

    // Line breaks in the source read as spaces: without them, escaped text comes back whole.
    QString plain = html;
    plain.replace(u'\r', u' ').replace(u'\n', u' ');
    if (HtmlText::toPlainText(plain.toHtmlEscaped()) != plain.trimmed())
        return QStringLiteral("escaped text does not read back");

    const QString shown = QStringLiteral("shown");
    const struct {
        const char* opening;
        const char* closing;
    } neverClosed[] = {
        {"<script>", "</script"}, {"<STYLE a='>'>", "</style"}, {"<title>", "</title"}, {"<!-- ", "--"}};
    for (const auto& element : neverClosed)
        if (!html.contains(QLatin1StringView(element.closing), Qt::CaseInsensitive) &&
            HtmlText::toPlainText(shown + QLatin1StringView(element.opening) + html) != shown)
            return QStringLiteral("%1 never closed shows what follows")
                .arg(QLatin1StringView(element.opening));
    return {};
}

QList<Named> all() {
    return {{"mime_message", mimeMessage}, {"header_text", headerText}, {"japanese_text", japaneseText},
            {"record_file", recordFile},   {"ini_file", iniFile},       {"pop3_replies", pop3Replies},
            {"html_text", htmlText}};
}

} // namespace FuzzTargets
