#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "exchange/importedkeys.h"
#include "exchange/mailexport.h"
#include "exchange/mailimport.h"
#include "exchange/mbox.h"
#include "mime/htmlmailmarker.h"
#include "receive/mailcheck.h"
#include "search/mailfacts.h"
#include "settings/firstaccount.h"
#include "settings/trustedauthserv.h"
#include "store/mailfile.h"
#include "store/receivedlog.h"
#include "store/recordfile.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"

namespace {

const QString kScripts = QStringLiteral(FENNICK_TEST_DATA "/../exchange");

// Real-world Japanese mail: every charset and structure the decoder knows,
// the demo's text, attachment and HTML mails, and one with "From " lines
// in its body.
QStringList realWorldMail(const TempFolder& scratch) {
    QStringList files;
    for (const QString& folder :
         {QStringLiteral(FENNICK_TEST_DATA "/mail"), QStringLiteral(FENNICK_DEMO_MAIL)})
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.eml")}, QDir::Files, QDir::Name))
            files.append(folder + u'/' + name);
    const QString fromLines = scratch.file(QStringLiteral("from-lines.eml"));
    WriteBytes(fromLines, "From: =?UTF-8?B?5bqD5aCx6YOo?= <koho@example.jp>\nSubject: From lines\n"
                          "Date: Fri, 11 Dec 2026 08:00:00 +0900\nMessage-ID: <from-lines@example.jp>\n"
                          "Content-Type: text/plain; charset=UTF-8\n\nFrom the sales team:\n"
                          "From 2026 on, prices change.\n");
    files.append(fromLines);
    return files;
}

void runPython(const QString& script, const QStringList& arguments) {
    QProcess python;
    python.start(QStringLiteral("python3"), QStringList{kScripts + u'/' + script} + arguments);
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
}

// The same text with CR LF or LF line ends.
QByteArray withLineEnds(QByteArray raw, const QByteArray& eol) {
    raw.replace("\r\n", "\n");
    if (eol != "\n")
        raw.replace("\n", eol);
    return raw;
}

// What stopped an import, for a failing check's message.
std::string whyStopped(const MailImport::Outcome& outcome) {
    return outcome.error ? outcome.error->debugText().toStdString() : std::string();
}

// A server holding exactly these bytes.
class RawMailbox : public FakeMailbox {
  public:
    explicit RawMailbox(QList<QByteArray> raw) : raw_(std::move(raw)) {
        for (qsizetype i = 0; i < raw_.size(); ++i)
            messages.append(mail(QString::number(i)));
    }
    Result<QByteArray> fetchRaw(int n) override { return raw_.at(n - 1); }

  private:
    QList<QByteArray> raw_;
};

// Records compared field by field, so that a difference reads as text.
void expectSameRecords(const QList<MailRecord>& actual, const QList<MailRecord>& expected,
                       const QStringList& names) {
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const std::string name = names.value(i).toStdString();
        EXPECT_EQ(actual[i].subject.toStdString(), expected[i].subject.toStdString()) << name;
        EXPECT_EQ(actual[i].date.toStdString(), expected[i].date.toStdString()) << name;
        EXPECT_EQ(actual[i].kind.toStdString(), expected[i].kind.toStdString()) << name;
        EXPECT_EQ(actual[i].party.toStdString(), expected[i].party.toStdString()) << name;
        EXPECT_EQ(actual[i].body.trimmed().toStdString(), expected[i].body.trimmed().toStdString()) << name;
        EXPECT_EQ(actual[i], expected[i]) << name << ": byte for byte";
    }
}

QList<MailRecord> records(const AppPaths& paths) {
    const auto all = MailFile::received(paths).readAll();
    QList<MailRecord> out;
    for (const auto& [n, r] : all.value())
        out.append(r);
    return out;
}

class MailImportTest : public testing::Test {
  public:
    TempFolder scratch;
    TempFolder app;
    AppPaths paths{app.path()};
    QStringList mailFiles;

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        mailFiles = realWorldMail(scratch);
    }

    // What a mail check stores for these messages, in an application folder of its own.
    QList<MailRecord> storedByAMailCheck(const TempFolder& folder) {
        AppPaths checked(folder.path());
        EXPECT_TRUE(checked.ensureLayout().ok());
        WriteBytes(checked.accountFile(), "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n");
        QList<QByteArray> raw;
        for (const QString& file : mailFiles)
            raw.append(ReadBytes(file));
        RawMailbox server(raw);
        AppSettings settings;
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        MailCheck check(checked, FirstAccountProfile(checked, settings), server, {});
        const MailCheck::Outcome outcome = check.CheckMail();
        EXPECT_EQ(outcome.stored, raw.size());
        return records(checked);
    }

    MailImport::Outcome import(ImportSource::Kind kind, const QString& path, bool again = false) {
        const Result<MailImport::Plan> plan = MailImport::prepare(kind, path, paths);
        EXPECT_TRUE(plan.ok()) << plan.error();
        return plan ? MailImport::run(*plan, again, paths) : MailImport::Outcome{};
    }
};

struct SourceCase {
    const char* name;
    ImportSource::Kind kind;
    std::function<QString(MailImportTest&)> make; // the source, from the test's mail files
};

class ImportSourceTest : public MailImportTest, public testing::WithParamInterface<SourceCase> {};

TEST_P(ImportSourceTest, storesWhatAMailCheckStoresForTheSameMessages) {
    const QString source = GetParam().make(*this);
    const MailImport::Outcome outcome = import(GetParam().kind, source);
    EXPECT_EQ(outcome.imported, mailFiles.size()) << whyStopped(outcome);
    EXPECT_EQ(outcome.broken, 0);
    TempFolder checked;
    const QList<MailRecord> expected = storedByAMailCheck(checked);
    expectSameRecords(records(paths), expected, mailFiles);
    EXPECT_EQ(QDir(paths.attachmentFolder()).entryList(QDir::Files),
              QDir(AppPaths(checked.path()).attachmentFolder()).entryList(QDir::Files));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ImportSourceTest,
    testing::Values(SourceCase{"mbox_written_by_python", ImportSource::Kind::Mbox,
                               [](MailImportTest& t) {
                                   const QString out = t.scratch.file(QStringLiteral("python.mbox"));
                                   runPython(QStringLiteral("makemail.py"),
                                             QStringList{QStringLiteral("mbox"), out} + t.mailFiles);
                                   EXPECT_TRUE(ReadBytes(out).contains("\n>From the sales team"))
                                       << "Python quoted the line";
                                   return out;
                               }},
                    SourceCase{"maildir_with_cur_and_new", ImportSource::Kind::Maildir,
                               [](MailImportTest& t) {
                                   const QString out = t.scratch.file(QStringLiteral("Maildir"));
                                   runPython(QStringLiteral("makemail.py"),
                                             QStringList{QStringLiteral("maildir"), out} + t.mailFiles);
                                   EXPECT_FALSE(QDir(out + QStringLiteral("/cur")).isEmpty());
                                   EXPECT_FALSE(QDir(out + QStringLiteral("/new")).isEmpty());
                                   return out;
                               }},
                    SourceCase{"eml_files_with_crlf", ImportSource::Kind::EmlFolder,
                               [](MailImportTest& t) {
                                   const QString out = t.scratch.file(QStringLiteral("crlf"));
                                   EXPECT_TRUE(QDir().mkpath(out));
                                   for (int i = 0; i < t.mailFiles.size(); ++i)
                                       WriteBytes(
                                           out + QStringLiteral("/%1.eml").arg(i, 3, 10, QLatin1Char('0')),
                                           withLineEnds(ReadBytes(t.mailFiles[i]), "\r\n"));
                                   return out;
                               }},
                    SourceCase{"eml_files_with_lf", ImportSource::Kind::EmlFolder,
                               [](MailImportTest& t) {
                                   const QString out = t.scratch.file(QStringLiteral("lf"));
                                   EXPECT_TRUE(QDir().mkpath(out));
                                   for (int i = 0; i < t.mailFiles.size(); ++i)
                                       WriteBytes(
                                           out + QStringLiteral("/%1.eml").arg(i, 3, 10, QLatin1Char('0')),
                                           withLineEnds(ReadBytes(t.mailFiles[i]), "\n"));
                                   return out;
                               }}),
    [](const testing::TestParamInfo<SourceCase>& info) { return std::string(info.param.name); });

TEST_F(MailImportTest, exportThenImportGivesTheSameRecordsAndPages) {
    ASSERT_EQ(import(ImportSource::Kind::Mbox,
                     [&] {
                         const QString out = scratch.file(QStringLiteral("in.mbox"));
                         runPython(QStringLiteral("makemail.py"),
                                   QStringList{QStringLiteral("mbox"), out} + mailFiles);
                         return out;
                     }())
                  .imported,
              mailFiles.size());
    for (const MailExport::Format format : {MailExport::Format::Mbox, MailExport::Format::EmlFolder}) {
        MailExport::Request request;
        request.format = format;
        request.target = scratch.file(format == MailExport::Format::Mbox ? QStringLiteral("out.mbox")
                                                                         : QStringLiteral("out"));
        request.recordFile = paths.receivedMailFile();
        ASSERT_TRUE(MailExport::run(request, paths).ok());
        TempFolder again;
        AppPaths second(again.path());
        ASSERT_TRUE(second.ensureLayout().ok());
        const auto kind =
            format == MailExport::Format::Mbox ? ImportSource::Kind::Mbox : ImportSource::Kind::EmlFolder;
        const MailImport::Outcome outcome =
            MailImport::run(*MailImport::prepare(kind, request.target, second), false, second);
        ASSERT_EQ(outcome.imported, mailFiles.size()) << whyStopped(outcome);
        expectSameRecords(records(second), records(paths), mailFiles);
        const QString page = QStringLiteral("/デモ：HTMLメール");
        EXPECT_EQ(QDir(again.path() + page).entryList(QDir::Files),
                  QDir(app.path() + page).entryList(QDir::Files))
            << "the HTML mail's page came along";
    }
}

TEST_F(MailImportTest, importingTheSameMessagesAgainIsNoticedAndSkippedUnlessWanted) {
    const QString mbox = scratch.file(QStringLiteral("twice.mbox"));
    runPython(QStringLiteral("makemail.py"), QStringList{QStringLiteral("mbox"), mbox} + mailFiles);
    ASSERT_EQ(import(ImportSource::Kind::Mbox, mbox).imported, mailFiles.size());
    const Result<MailImport::Plan> second = MailImport::prepare(ImportSource::Kind::Mbox, mbox, paths);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second->alreadyImported, mailFiles.size());
    const MailImport::Outcome skipped = MailImport::run(*second, false, paths);
    EXPECT_EQ(skipped.imported, 0);
    EXPECT_EQ(skipped.skippedAsImported, mailFiles.size());
    EXPECT_EQ(MailImport::run(*second, true, paths).imported, mailFiles.size());
    EXPECT_EQ(records(paths).size(), 2 * mailFiles.size());
}

TEST_F(MailImportTest, stopsAtTheRecordLimitAndSkipsWhatIsNoMail) {
    const QString folder = scratch.file(QStringLiteral("mixed"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteBytes(folder + QStringLiteral("/1.eml"), ReadBytes(mailFiles[0]));
    WriteBytes(folder + QStringLiteral("/2.eml"), QByteArray("\x00\x01\x02 binary", 10));
    WriteBytes(folder + QStringLiteral("/3.eml"), QByteArray());
    for (int i = 4; i <= 7; ++i)
        WriteBytes(folder + QStringLiteral("/%1.eml").arg(i), ReadBytes(mailFiles[i]));
    // A history two records short of full (a sparse file: its records read as zeros).
    QFile full(paths.receivedMailFile());
    ASSERT_TRUE(full.open(QIODevice::ReadWrite) &&
                full.resize(qint64(RecordFile::kMaxRecords - 2) * MailRecord::kSize));
    full.close();
    const MailImport::Outcome outcome = import(ImportSource::Kind::EmlFolder, folder);
    EXPECT_EQ(outcome.imported, 2);
    EXPECT_EQ(outcome.broken, 2);
    EXPECT_EQ(outcome.leftAtLimit, 3);
    EXPECT_FALSE(outcome.error) << whyStopped(outcome);
    EXPECT_EQ(MailFile::received(paths).count().value(), RecordFile::kMaxRecords);
}

TEST_F(MailImportTest, aPieceOfARecordAKilledCheckLeftIsCutOffFirst) {
    // Killed while appending its second record: three quarters of it are
    // there, and its log line says where it was going.
    WriteBytes(paths.receivedMailFile(), QByteArray(MailRecord::kSize * 7 / 4, ' '));
    ASSERT_TRUE(
        ReceivedLog(paths.dataFile(ReceivedLog::kFileName))
            .append(ReceivedLog::lineFor(ReceivedLog::digest("mail"), 2, ReceivedLog::recordDigest("record")))
            .ok());
    const QString folder = scratch.file(QStringLiteral("one"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteBytes(folder + QStringLiteral("/1.eml"), ReadBytes(mailFiles[0]));
    ASSERT_EQ(import(ImportSource::Kind::EmlFolder, folder).imported, 1);
    EXPECT_EQ(QFileInfo(paths.receivedMailFile()).size(), 2 * MailRecord::kSize);
}

// What unpacking noted names each mail, in order.
TEST_F(MailImportTest, unpackingsNotesNameTheirMails) {
    const QString folder = scratch.file(QStringLiteral("pages"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int i = 1; i <= 7; ++i)
        WriteBytes(folder + QStringLiteral("/%1.eml").arg(i),
                   "From: a@example.jp\r\nSubject: ../" + QByteArray::number(i) +
                       "\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n" + HtmlMailMarker.toUtf8() +
                       "\r\n");
    const MailImport::Outcome outcome = import(ImportSource::Kind::EmlFolder, folder);
    EXPECT_EQ(outcome.imported, 7);
    QList<Error> named;
    for (int i = 1; i <= 7; ++i)
        named.append({.kind = Error::Kind::FolderUnusable,
                      .subject = QStringLiteral("../%1").arg(i),
                      .sender = QStringLiteral("a@example.jp")});
    EXPECT_EQ(outcome.notices, named);
}

// An mbox changed by another program after it was split: a spool emptied,
// a mailbox compacted, while the import reads it or asks its question.
struct MboxChange {
    const char* name;
    bool whileReading; // else between reading and importing
    std::function<void(QFile& mbox, qint64 firstEntry)> change;
};

class ChangedMboxTest : public MailImportTest, public testing::WithParamInterface<MboxChange> {};

TEST_P(ChangedMboxTest, isAnErrorNamingTheFile) {
    const QString mbox = scratch.file(QStringLiteral("spool"));
    QByteArray entries;
    for (int i = 0; i < 3; ++i)
        entries += Mbox::entry("From a@example.jp Mon Dec  7 09:00:00 2026", ReadBytes(mailFiles[i]));
    WriteBytes(mbox, entries);
    const qint64 firstEntry = entries.indexOf("\nFrom a@", 1) + 1;
    auto change = [&] {
        QFile file(mbox);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        GetParam().change(file, firstEntry);
    };
    MailImport::Hooks hooks;
    if (GetParam().whileReading)
        hooks.progress = [&](int done, int) {
            if (done == 1)
                change();
        };
    const Result<MailImport::Plan> plan = MailImport::prepare(ImportSource::Kind::Mbox, mbox, paths, hooks);
    const Error changed{.kind = Error::Kind::SourceChanged, .path = mbox};
    if (GetParam().whileReading) {
        ASSERT_FALSE(plan.ok());
        EXPECT_EQ(plan.error(), changed);
        return;
    }
    ASSERT_TRUE(plan.ok()) << plan.error();
    change();
    const MailImport::Outcome outcome = MailImport::run(*plan, false, paths);
    EXPECT_EQ(outcome.imported, 0);
    EXPECT_EQ(outcome.error, changed);
    EXPECT_TRUE(records(paths).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Changes, ChangedMboxTest,
    testing::Values(MboxChange{"spool_emptied_while_the_question_waits", false,
                               [](QFile& mbox, qint64) { ASSERT_TRUE(mbox.resize(0)); }},
                    MboxChange{"compacted_to_its_first_message_while_the_question_waits", false,
                               [](QFile& mbox, qint64 firstEntry) { ASSERT_TRUE(mbox.resize(firstEntry)); }},
                    MboxChange{"rewritten_in_place_while_the_question_waits", false,
                               [](QFile& mbox, qint64 firstEntry) {
                                   ASSERT_TRUE(mbox.seek(firstEntry + 1));
                                   ASSERT_EQ(mbox.write("x"), 1);
                                   // Later than the import read it, as it would be after a question.
                                   ASSERT_TRUE(mbox.setFileTime(QDateTime::currentDateTime().addSecs(2),
                                                                QFileDevice::FileModificationTime));
                               }},
                    MboxChange{
                        "cut_mid_message_while_its_messages_are_read", true,
                        [](QFile& mbox, qint64 firstEntry) { ASSERT_TRUE(mbox.resize(firstEntry + 100)); }}),
    [](const testing::TestParamInfo<MboxChange>& info) { return std::string(info.param.name); });

void link(const QString& target, const QString& name) {
    ASSERT_TRUE(QFile::link(target, name)) << name.toStdString();
}

void makeFifo(const QString& name) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0) << name.toStdString();
}

// Links and fifos among the files an import would read: a link to a file
// of the user's (a config file with a password), or to a folder of them.
struct LinkedSource {
    const char* name;
    ImportSource::Kind kind;
    // Into `source`; `secret` holds config.yml and a file named as in a Maildir.
    std::function<void(const QString& source, const QString& secret, const QString& mail)> make;
    int skipped; // the links and the like
};

class LinkedSourceTest : public MailImportTest, public testing::WithParamInterface<LinkedSource> {};

TEST_P(LinkedSourceTest, linksAndOtherNonFilesAreSkippedAndCounted) {
    const QString secret = scratch.file(QStringLiteral("secret"));
    const QString source = scratch.file(QStringLiteral("source"));
    ASSERT_TRUE(QDir().mkpath(secret) && QDir().mkpath(source));
    const QByteArray config =
        "server: imap.example.jp\nuser: taro\n\n# the account's password\npassword: secret-pw\n";
    WriteBytes(secret + QStringLiteral("/config.yml"), config);
    WriteBytes(secret + QStringLiteral("/1765123000.M1P1Q1.host"), config);
    GetParam().make(source, secret, mailFiles[0]);
    const MailImport::Outcome outcome = import(GetParam().kind, source);
    EXPECT_EQ(outcome.imported, 1) << whyStopped(outcome);
    EXPECT_EQ(outcome.notPlainFiles, GetParam().skipped);
    for (const MailRecord& record : records(paths))
        EXPECT_FALSE(record.body.contains(QStringLiteral("secret-pw")));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, LinkedSourceTest,
    testing::Values(
        LinkedSource{"maildir_links_in_cur_and_new_to_a_config_file", ImportSource::Kind::Maildir,
                     [](const QString& box, const QString& secret, const QString& mail) {
                         ASSERT_TRUE(QDir().mkpath(box + QStringLiteral("/cur")));
                         ASSERT_TRUE(QDir().mkpath(box + QStringLiteral("/new")));
                         WriteBytes(box + QStringLiteral("/cur/1765123999.M5P7Q1.host:2,S"), ReadBytes(mail));
                         link(secret + QStringLiteral("/config.yml"),
                              box + QStringLiteral("/cur/1765124000.M1P7Q2.host:2,S"));
                         link(secret + QStringLiteral("/config.yml"),
                              box + QStringLiteral("/new/1765124001.M1P7Q3.host"));
                     },
                     2},
        LinkedSource{"maildir_whose_new_is_a_link_to_another_folder", ImportSource::Kind::Maildir,
                     [](const QString& box, const QString& secret, const QString& mail) {
                         ASSERT_TRUE(QDir().mkpath(box + QStringLiteral("/cur")));
                         WriteBytes(box + QStringLiteral("/cur/1765123999.M5P7Q1.host:2,S"), ReadBytes(mail));
                         link(secret, box + QStringLiteral("/new"));
                     },
                     1},
        LinkedSource{"eml_folder_with_a_linked_eml_a_linked_folder_and_a_fifo", ImportSource::Kind::EmlFolder,
                     [](const QString& folder, const QString& secret, const QString& mail) {
                         WriteBytes(folder + QStringLiteral("/1.eml"), ReadBytes(mail));
                         link(secret + QStringLiteral("/config.yml"), folder + QStringLiteral("/2.eml"));
                         link(secret, folder + QStringLiteral("/3.eml"));
                         // Read, a fifo would wait for a writer for ever.
                         makeFifo(folder + QStringLiteral("/4.eml"));
                     },
                     3}),
    [](const testing::TestParamInfo<LinkedSource>& info) { return std::string(info.param.name); });

// A plain file when listed, a link or a fifo when its turn comes.
TEST_F(MailImportTest, anEmlSwappedForALinkOrAFifoAfterItWasListedIsAnErrorNamingIt) {
    const QString secret = scratch.file(QStringLiteral("config.yml"));
    WriteBytes(secret, "user: taro\npassword: secret-pw\n");
    for (const bool fifo : {false, true}) {
        const QString folder = scratch.file(fifo ? QStringLiteral("fifo") : QStringLiteral("link"));
        const QString eml = folder + QStringLiteral("/1.eml");
        ASSERT_TRUE(QDir().mkpath(folder));
        WriteBytes(eml, ReadBytes(mailFiles[0]));
        const Result<MailImport::Plan> plan =
            MailImport::prepare(ImportSource::Kind::EmlFolder, folder, paths);
        ASSERT_TRUE(plan.ok() && QFile::remove(eml));
        fifo ? makeFifo(eml) : link(secret, eml);
        const MailImport::Outcome outcome = MailImport::run(*plan, false, paths);
        EXPECT_EQ(outcome.imported, 0);
        EXPECT_EQ(outcome.error, (Error{.kind = Error::Kind::SourceChanged, .path = eml}));
    }
}

} // namespace

TEST(ImportSourceOrder, maildirMessagesComeInTheOrderTheyArrived) {
    // Delivery time in seconds, then microseconds without leading zeros.
    TempFolder box;
    const QStringList arrived = {QStringLiteral("1765123999.M5P7Q1.host"),
                                 QStringLiteral("1765123999.M40P7Q2.host"),
                                 QStringLiteral("1765124000.M3P7Q3.host:2,S")};
    for (const char* sub : {"/new", "/cur", "/tmp"})
        ASSERT_TRUE(QDir().mkpath(box.path() + QString::fromLatin1(sub)));
    for (const QString& name : arrived)
        WriteBytes(box.path() + (name.contains(u':') ? QStringLiteral("/cur/") : QStringLiteral("/new/")) +
                       name,
                   "Subject: " + name.toLatin1() + "\r\n\r\nx\r\n");
    const Result<ImportSource> source = ImportSource::open(ImportSource::Kind::Maildir, box.path());
    ASSERT_TRUE(source.ok());
    ASSERT_EQ(source->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(source->message(i)->startsWith("Subject: " + arrived[i].toLatin1())) << i;
}

TEST_F(MailImportTest, importedMailKeepsOnlyTheTrustedProvidersVerdict) {
    ASSERT_TRUE(TrustedAuthserv(paths.dataFile(TrustedAuthserv::kFileName))
                    .save(QStringLiteral("mx.provider.example"))
                    .ok());
    const QString maildir = scratch.file(QStringLiteral("Maildir"));
    ASSERT_TRUE(QDir().mkpath(maildir + QStringLiteral("/cur")));
    const QByteArray mail = "From: <info@bank.example>\r\nSubject: s\r\n\r\nbody\r\n";
    WriteBytes(maildir + QStringLiteral("/cur/1"),
               "Authentication-Results: mx.provider.example; dmarc=fail header.from=bank.example\r\n" + mail);
    WriteBytes(maildir + QStringLiteral("/cur/2"),
               "Authentication-Results: mx.forger.example; dmarc=pass header.from=bank.example\r\n" + mail);
    WriteBytes(maildir + QStringLiteral("/cur/3"), mail);
    ASSERT_EQ(import(ImportSource::Kind::Maildir, maildir).imported, 3);
    const QHash<int, QByteArray> verdicts =
        MailFacts::open(paths.receivedMailFile()).value().values(QStringLiteral("verdict")).value();
    EXPECT_EQ(verdicts,
              (QHash<int, QByteArray>{{1, "v1;p;spf=none;dkim=none;d=;dmarc=fail;f=bank.example"}}));
    EXPECT_EQ(TrustedAuthserv(paths.dataFile(TrustedAuthserv::kFileName)).load(),
              QStringLiteral("mx.provider.example"));
}
