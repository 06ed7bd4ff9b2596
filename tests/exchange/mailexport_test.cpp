#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

#include "exchange/mailexport.h"
#include "exchange/mbox.h"
#include "mime/htmlmailmarker.h"
#include "store/mailfile.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

const QString kOwnAddress = QStringLiteral("me@example.jp");

MailRecord mail(const QString& subject, const QString& party, const QString& date, const QString& body,
                const QString& kind = MailRecord::kTextKind) {
    return {subject, date, kind, party, body, 1};
}

// What the history holds, as read back from its file (Shift-JIS round trip).
QList<MailRecord> stored(const QString& file) {
    const auto all = MailFile(file, file + QStringLiteral(".tmp")).readAll();
    QList<MailRecord> out;
    for (const auto& [n, r] : all.value())
        out.append(r);
    return out;
}

QJsonArray readWithPython(MailExport::Format format, const QString& target) {
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral(FENNICK_TEST_DATA "/../exchange/readmail.py"),
                  format == MailExport::Format::Mbox ? QStringLiteral("mbox") : QStringLiteral("eml"),
                  target});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

QString field(const QString& text) {
    return TrimSpaces(CutAtNul(text));
}

class MailExportTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    QString received;
    QString sent;

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        received = paths.receivedMailFile();
        sent = paths.sentMailFile();
        const MailFile in = MailFile::received(paths);
        for (const MailRecord& r : {
                 mail(QStringLiteral("お見積もりの件（再送）"),
                      QStringLiteral("髙橋 一郎 <takahashi@example.jp>"),
                      QStringLiteral("Mon, 7 Dec 2026 09:15:00 +0900"),
                      QStringLiteral("いつもお世話になっております。\r\n見積書を添付します。\r\n")),
                 mail(QStringLiteral("From lines"), QStringLiteral("sato@example.jp"),
                      QStringLiteral("Tue, 8 Dec 2026 10:00:00 +0900"),
                      QStringLiteral("From the desk of 佐藤\r\n>From a quoted line\r\nend\r\n")),
                 mail(QStringLiteral("no line break at the end"),
                      QStringLiteral("\"Ito, Ken\" <ito@example.jp>"),
                      QStringLiteral("Wed, 9 Dec 2026 11:30:00 +0900"), QStringLiteral("短い本文")),
                 mail(QStringLiteral("garden"), QStringLiteral("kato@example.jp"),
                      QStringLiteral("Thu, 10 Dec 2026 12:00:00 +0900"), HtmlMailMarker,
                      MailRecord::kHtmlKind),
             })
            ASSERT_TRUE(in.append(r).ok());
        ASSERT_TRUE(QDir().mkpath(app.file(QStringLiteral("garden"))));
        WriteBytes(app.file(QStringLiteral("garden/index.htm")), "<html><img src=\"pic.png\"></html>");
        WriteBytes(app.file(QStringLiteral("garden/pic.png")), QByteArray("\x89PNG\r\n\x1a\n", 8));
        ASSERT_TRUE(
            MailFile::sent(paths)
                .append(mail(QStringLiteral("ご報告"), QStringLiteral("a@example.jp, 佐藤<sato@example.jp>"),
                             QStringLiteral("2026/12/07  9:05:00"), QStringLiteral("送りました。\r\n")))
                .ok());
    }
};

struct ExportCase {
    const char* name;
    MailExport::Format format;
    MailDirection direction;
};

class ExportReadBackTest : public MailExportTest, public testing::WithParamInterface<ExportCase> {};

TEST_P(ExportReadBackTest, pythonReadsSubjectsPartiesDatesAndBodiesExactly) {
    const ExportCase& c = GetParam();
    const bool isSent = c.direction == MailDirection::Sent;
    MailExport::Request request;
    request.format = c.format;
    request.target =
        app.file(c.format == MailExport::Format::Mbox ? QStringLiteral("out.mbox") : QStringLiteral("out"));
    request.recordFile = isSent ? sent : received;
    request.direction = c.direction;
    request.ownAddress = kOwnAddress;
    const Result<int> written = MailExport::run(request, paths);
    ASSERT_TRUE(written.ok()) << written.error();
    const QList<MailRecord> records = stored(request.recordFile);
    ASSERT_EQ(*written, records.size());
    const QJsonArray seen = readWithPython(c.format, request.target);
    ASSERT_EQ(seen.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
        const QJsonObject m = seen[i].toObject();
        const MailRecord& r = records[i];
        EXPECT_EQ(m[u"subject"].toString(), field(r.subject));
        EXPECT_EQ(m[u"body"].toString(), field(r.body).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        if (isSent) {
            EXPECT_EQ(m[u"from"].toString(), kOwnAddress);
            EXPECT_EQ(m[u"to"].toString(), QStringLiteral("a@example.jp, 佐藤 <sato@example.jp>"));
            EXPECT_EQ(QDateTime::fromString(m[u"datetime"].toString(), Qt::ISODate),
                      QDateTime::fromString(field(r.date), QStringLiteral("yyyy/MM/dd  H:mm:ss")))
                << "the clock text, in local time";
        } else {
            EXPECT_EQ(m[u"from"].toString(), field(r.party));
            EXPECT_EQ(m[u"date"].toString(), field(r.date));
        }
        const QStringList attachments = m[u"attachments"].toVariant().toStringList();
        if (field(r.kind) == MailRecord::kHtmlKind) {
            EXPECT_EQ(attachments, (QStringList{QStringLiteral("index.htm"), QStringLiteral("pic.png")}));
        } else {
            EXPECT_TRUE(attachments.isEmpty());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ExportReadBackTest,
    testing::Values(ExportCase{"mbox_received", MailExport::Format::Mbox, MailDirection::Received},
                    ExportCase{"eml_received", MailExport::Format::EmlFolder, MailDirection::Received},
                    ExportCase{"mbox_sent", MailExport::Format::Mbox, MailDirection::Sent}),
    [](const testing::TestParamInfo<ExportCase>& info) { return std::string(info.param.name); });

TEST_F(MailExportTest, aStoppedOrFailedExportLeavesNoHalfFileAndKeepsTheOldOne) {
    MailExport::Request request;
    request.target = app.file(QStringLiteral("old.mbox"));
    request.recordFile = received;
    WriteBytes(request.target, "the mbox as it was\n");
    ASSERT_EQ(MailExport::existingTargets(request), QStringList{request.target});
    int seen = 0;
    MailExport::Hooks stopAfterOne;
    stopAfterOne.progress = [&](int, int) { ++seen; };
    stopAfterOne.cancelled = [&] { return seen >= 1; };
    const Result<int> stopped = MailExport::run(request, paths, stopAfterOne);
    ASSERT_FALSE(stopped.ok());
    EXPECT_EQ(stopped.error().kind, Error::Kind::ExportStopped);
    EXPECT_EQ(ReadBytes(request.target), "the mbox as it was\n");

    request.target = app.file(QStringLiteral("old.mbox/inside.mbox")); // a file where a folder must be
    const Result<int> failed = MailExport::run(request, paths);
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().kind, Error::Kind::FileNotWritten) << failed.error();
    EXPECT_EQ(failed.error().path, request.target);
    EXPECT_EQ(QDir(app.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.mbox")})
        << "no temporary left";
}

TEST_F(MailExportTest, selectedRowsOnlyAndTheEmlFilesThatWouldBeReplaced) {
    MailExport::Request request;
    request.format = MailExport::Format::EmlFolder;
    request.target = app.file(QStringLiteral("eml"));
    request.recordFile = received;
    request.records = {2, 4};
    ASSERT_TRUE(QDir().mkpath(request.target));
    WriteBytes(request.target + QStringLiteral("/00004.eml"), "older");
    WriteBytes(request.target + QStringLiteral("/00003.eml"), "other");
    EXPECT_EQ(MailExport::existingTargets(request),
              QStringList{request.target + QStringLiteral("/00004.eml")});
    ASSERT_EQ(MailExport::run(request, paths).value(), 2);
    EXPECT_EQ(
        QDir(request.target).entryList(QDir::Files),
        (QStringList{QStringLiteral("00002.eml"), QStringLiteral("00003.eml"), QStringLiteral("00004.eml")}));
    EXPECT_EQ(ReadBytes(request.target + QStringLiteral("/00003.eml")), "other");
    EXPECT_TRUE(ReadBytes(request.target + QStringLiteral("/00004.eml")).contains("Subject: garden\r\n"));
}

struct MboxCase {
    const char* name;
    QByteArray message;
    QByteArray quoted; // as it stands in the file after its "From " line
};

class MboxQuotingTest : public testing::TestWithParam<MboxCase> {};

TEST_P(MboxQuotingTest, fromLinesAreQuotedOnceMoreAndComeBackUnchanged) {
    const MboxCase& c = GetParam();
    const QByteArray file = Mbox::entry("From a@b Thu Jan  1 00:00:00 1970", c.message) +
                            Mbox::entry("From c@d Thu Jan  1 00:00:00 1970", "Subject: two\n\nsecond\n");
    ASSERT_TRUE(file.sliced(file.indexOf('\n') + 1).startsWith(c.quoted));
    // An import reads the file in pieces: a line may straddle any two.
    auto inPieces = [&](qsizetype piece) {
        Mbox::Splitter splitter;
        for (qsizetype at = 0; at < file.size(); at += piece)
            splitter.add(QByteArrayView(file).sliced(at, std::min(piece, file.size() - at)));
        return splitter.finish();
    };
    const QList<Mbox::Span> spans = inPieces(file.size());
    ASSERT_EQ(spans.size(), 2);
    QByteArray expected = c.message;
    if (!expected.endsWith('\n'))
        expected += '\n';
    EXPECT_EQ(Mbox::unquote(file.sliced(spans[0].start, spans[0].length)), expected);
    EXPECT_EQ(Mbox::unquote(file.sliced(spans[1].start, spans[1].length)), "Subject: two\n\nsecond\n");
    for (qsizetype piece = 1; piece <= 6; ++piece)
        EXPECT_EQ(inPieces(piece), spans) << "in pieces of " << piece;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, MboxQuotingTest,
    testing::Values(MboxCase{"from_line_in_body", "S: x\n\nFrom here on\n", "S: x\n\n>From here on\n"},
                    MboxCase{"already_quoted_from_line", "S: x\n\n>>From there\n", "S: x\n\n>>>From there\n"},
                    MboxCase{"crlf_lines", "S: x\r\n\r\nFrom crlf\r\n", "S: x\r\n\r\n>From crlf\r\n"},
                    MboxCase{"from_without_space_stays", "S: x\n\nFromage\n", "S: x\n\nFromage\n"},
                    MboxCase{"last_line_without_line_end", "S: x\n\nend", "S: x\n\nend\n"}),
    [](const testing::TestParamInfo<MboxCase>& info) { return std::string(info.param.name); });

} // namespace
