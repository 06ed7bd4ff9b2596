#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "history/historylist.h"
#include "history/maildeletion.h"
#include "history/messagedisplay.h"
#include "mime/htmlmailfolder.h"
#include "mime/htmlmailmarker.h"
#include "search/unreadmarks.h"
#include "store/folderremoval.h"
#include "store/receivedlog.h"
#include "tests/support/tempfolder.h"

namespace {

MailRecord record(const QString& subject, const QString& kind = MailRecord::kTextKind,
                  const QString& body = QStringLiteral("本文")) {
    return {subject, QStringLiteral("2026/12/07  9:00:00"), kind, QStringLiteral("a@example.jp"), body, 1};
}

class HistoryLogic : public testing::Test {
  protected:
    TempFolder root;
    QString appFolder = root.file(QStringLiteral("app"));
    AppPaths paths{appFolder};

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(appFolder) && paths.ensureLayout().ok()); }
    void add(HistoryMode mode, const MailRecord& r) {
        ASSERT_TRUE(HistorySetup::fileOf(mode, paths).append(r).ok());
    }
    // As the delete button does once the user said yes.
    bool deleteRow(HistoryMode mode, int p) {
        const auto folder = MailDeletion::folderGoingWith(mode, paths, p);
        return folder && MailDeletion::deleteOne(mode, paths, p, *folder).ok();
    }
    // The subjects of the mails the received history lists as unread.
    QStringList unreadSubjects() {
        const auto list = HistoryList::load(HistoryMode::Received, paths);
        EXPECT_TRUE(list.ok());
        QStringList subjects;
        for (int n : list->unread)
            subjects << list->rows.value(n - 1).subject.trimmed();
        subjects.sort();
        return subjects;
    }
    void markUnread(const QList<int>& rows) {
        auto marks = UnreadMarks::open(paths.receivedMailFile());
        ASSERT_TRUE(marks.ok());
        ASSERT_TRUE(marks.value().mark(rows, true).ok());
    }
    QStringList entries(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST_F(HistoryLogic, missingFileIsCreatedEmptyAndListsNothing) {
    QFile::remove(paths.sentMailFile());
    const auto list = HistoryList::load(HistoryMode::Sent, paths);
    ASSERT_TRUE(list.ok());
    EXPECT_TRUE(list->rows.isEmpty());
    EXPECT_FALSE(list->last.has_value());
    EXPECT_TRUE(QFileInfo::exists(paths.sentMailFile()));
}

TEST_F(HistoryLogic, rowsKeepTrailingSpacesAndTheLastRecordFillsTheFields) {
    add(HistoryMode::Received, record(QStringLiteral("one")));
    add(HistoryMode::Received, record(QStringLiteral("two")));
    add(HistoryMode::Received,
        record(QStringLiteral("three  "), MailRecord::kTextKind, QStringLiteral("  word  ")));
    const auto list = HistoryList::load(HistoryMode::Received, paths);
    ASSERT_EQ(list->rows.size(), 3);
    EXPECT_TRUE(list->rows[0].subject.startsWith(QStringLiteral("one ")));
    EXPECT_EQ(list->rows[2].subject.size(), 100) << "the row shows the field with its padding";
    EXPECT_EQ(list->last->subject, QStringLiteral("three"));
    EXPECT_EQ(list->last->text, QStringLiteral("word"));
}

TEST_F(HistoryLogic, sentHtmlMailShowsTheFixedTextNotTheMarker) {
    add(HistoryMode::Sent, record(QStringLiteral("page"), MailRecord::kHtmlKind, HtmlMailMarker));
    const auto list = HistoryList::load(HistoryMode::Sent, paths);
    EXPECT_EQ(list->last->text, QStringLiteral("「HTML形式」で送信しました。"));
    EXPECT_TRUE(list->rows[0].kind.startsWith(MailRecord::kHtmlKind));
    const auto shown = MailDisplay::forRow(HistoryMode::Sent, paths, 1, false);
    EXPECT_EQ((*shown)->shown.text, QStringLiteral("「HTML形式」で送信しました。"));
    EXPECT_EQ((*shown)->shown.kind, MailRecord::kHtmlKind);
}

TEST_F(HistoryLogic, receivedHtmlMailIsShownAsItsPageOrItsSource) {
    add(HistoryMode::Received, record(QStringLiteral("Garden"), MailRecord::kHtmlKind, HtmlMailMarker));
    ASSERT_TRUE(QDir(appFolder).mkdir(QStringLiteral("Garden")));
    WriteBytes(appFolder + QStringLiteral("/Garden/index.htm"),
               QByteArray("<html>\r\n<p>\x82\xa0</p>\n</html>"));
    const auto page = MailDisplay::forRow(HistoryMode::Received, paths, 1, false);
    EXPECT_EQ((*page)->view, MailDisplay::View::Page);
    EXPECT_EQ((*page)->pageFile, appFolder + QStringLiteral("/Garden/index.htm"));
    EXPECT_EQ((*page)->shown.text, QStringLiteral("HTMLファイルの受信でした。"));
    EXPECT_FALSE((*page)->updatesCount);
    const auto source = MailDisplay::forRow(HistoryMode::Received, paths, 1, true);
    EXPECT_EQ((*source)->view, MailDisplay::View::Source);
    EXPECT_EQ((*source)->shown.text, QStringLiteral("<html>\r\n<p>あ</p>\r\n</html>\r\n"));
}

TEST_F(HistoryLogic, twoHtmlMailsOfOneSubjectShowTheirOwnPagesAndDeletingOneLeavesTheOther) {
    QStringList folders;
    for (const char* day : {"2026/12/07", "2026/12/14"}) {
        MailRecord r = record(QStringLiteral("週刊ニュース"), MailRecord::kHtmlKind, HtmlMailMarker);
        r.date = QString::fromLatin1(day);
        add(HistoryMode::Received, r);
        const HtmlMailFolder::Made made = HtmlMailFolder::create(paths, r);
        ASSERT_EQ(made.outcome, HtmlMailFolder::Made::Outcome::Created);
        folders << made.path;
    }
    auto pageOf = [&](int p) {
        return (*MailDisplay::forRow(HistoryMode::Received, paths, p, false))->pageFolder;
    };
    EXPECT_EQ(pageOf(1), folders[0]);
    EXPECT_EQ(pageOf(2), folders[1]);
    ASSERT_TRUE(deleteRow(HistoryMode::Received, 1));
    EXPECT_FALSE(QFileInfo::exists(folders[0]));
    EXPECT_EQ(pageOf(1), folders[1]);
}

TEST_F(HistoryLogic, hostileSubjectShowsNoPageOutsideTheApplicationFolder) {
    add(HistoryMode::Received, record(QStringLiteral("../app"), MailRecord::kHtmlKind, HtmlMailMarker));
    const auto page = MailDisplay::forRow(HistoryMode::Received, paths, 1, false);
    EXPECT_TRUE((*page)->pageFile.isEmpty());
    const auto source = MailDisplay::forRow(HistoryMode::Received, paths, 1, true);
    EXPECT_TRUE((*source)->shown.text.isEmpty());
}

TEST_F(HistoryLogic, clickReadsOnlyTheChosenRecord) {
    for (const char* s : {"1", "2", "3"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    EXPECT_EQ((*MailDisplay::forRow(HistoryMode::Received, paths, 3, false))->shown.subject,
              QStringLiteral("3"));
    EXPECT_FALSE(MailDisplay::forRow(HistoryMode::Received, paths, 4, false)->has_value());
}

TEST_F(HistoryLogic, deletingRowTwoOfThreeKeepsRecordsOneAndThree) {
    for (const char* s : {"1", "2", "3"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    const QByteArray before = ReadBytes(paths.receivedMailFile());
    ASSERT_TRUE(deleteRow(HistoryMode::Received, 2));
    const QByteArray after = ReadBytes(paths.receivedMailFile());
    ASSERT_EQ(after.size(), 2 * MailRecord::kSize);
    EXPECT_EQ(after, before.left(MailRecord::kSize) + before.mid(2 * MailRecord::kSize));
    EXPECT_FALSE(QFileInfo::exists(paths.dataFolder() + QStringLiteral("/ORXDATA2.TMP")));
}

TEST_F(HistoryLogic, deletingAReceivedMailKeepsTheReceivedLogInStep) {
    // A check cut short logged mails 2 and 3; only the received history's
    // deletion tells the log (the sent history has none).
    const ReceivedLog log(paths.dataFile(ReceivedLog::kFileName));
    for (HistoryMode mode : {HistoryMode::Received, HistoryMode::Sent}) {
        SCOPED_TRACE(int(mode));
        QFile::remove(HistorySetup::fileOf(mode, paths).path());
        QList<ReceivedLog::Line> logged;
        for (const char* s : {"1", "2", "3"}) {
            add(mode, record(QString::fromLatin1(s)));
            logged << ReceivedLog::lineFor(
                ReceivedLog::digest(s), logged.size() + 1,
                ReceivedLog::recordDigest(record(QString::fromLatin1(s)).toBytes()));
        }
        logged.removeFirst();
        ASSERT_TRUE(log.rewrite(logged).ok());
        ASSERT_TRUE(deleteRow(mode, 2));
        if (mode == HistoryMode::Received) {
            logged[0].deletedByUser = true;
            logged[1].lowest = 2;
        }
        EXPECT_EQ(log.read().value(), logged);
        EXPECT_EQ(HistorySetup::fileOf(mode, paths).count().value(), 2);
    }
}

TEST_F(HistoryLogic, unreadMarksOutliveTheirConnectionAndFollowDeletionsToTheirOwnMail) {
    const struct {
        const char* name;
        const char* subjects; // the history, record 1 first
        QList<int> unread;
        int deleted; // 0: none, the marks only read again as at a restart
        const char* unreadAfter;
    } rows[] = {
        {"restart-keeps-every-mark", "a b c", {1, 3}, 0, "a c"},
        {"deleting-the-mail-above-an-unread-one", "a b c", {2}, 1, "b"},
        {"deleting-an-unread-mail-leaves-its-neighbour-read", "a b c", {2}, 2, ""},
        {"deleting-a-read-mail-between-two-unread-ones", "a b c", {1, 3}, 2, "a c"},
        {"deleting-the-first-of-two-identical-mails", "a same same", {3}, 2, "same"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(paths.receivedMailFile());
        QFile::remove(MailFacts::pathFor(paths.receivedMailFile()));
        for (const QString& subject : QString::fromLatin1(row.subjects).split(u' '))
            add(HistoryMode::Received, record(subject));
        markUnread(row.unread);
        if (row.deleted) {
            ASSERT_TRUE(deleteRow(HistoryMode::Received, row.deleted));
        }
        const QStringList expected = QString::fromLatin1(row.unreadAfter).split(u' ', Qt::SkipEmptyParts);
        EXPECT_EQ(unreadSubjects(), expected);
        EXPECT_EQ(UnreadMarks::receivedCount(paths), expected.size());
    }
    // The identical pair: the mail left is the unread one, at record 2.
    EXPECT_EQ(HistoryList::load(HistoryMode::Received, paths)->unread, QSet<int>{2});
}

TEST_F(HistoryLogic, aDamagedMarksFileListsEveryMailAsReadAndTakesNewMarks) {
    const QString facts = MailFacts::pathFor(paths.receivedMailFile());
    const struct {
        const char* name;
        std::function<QByteArray(const QByteArray& whole)> damage;
    } rows[] = {
        {"not-a-database-at-all", [](const QByteArray&) { return QByteArray("unread: 1, 2\n"); }},
        {"database-cut-short", [](const QByteArray& whole) { return whole.left(whole.size() / 2); }},
        {"pages-overwritten",
         [](const QByteArray& whole) { return whole.left(100) + QByteArray(whole.size() - 100, '\xff'); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(paths.receivedMailFile());
        QFile::remove(facts);
        for (const char* s : {"a", "b"})
            add(HistoryMode::Received, record(QString::fromLatin1(s)));
        markUnread({1, 2});
        WriteBytes(facts, row.damage(ReadBytes(facts)));
        EXPECT_EQ(unreadSubjects(), QStringList());
        EXPECT_EQ(UnreadMarks::receivedCount(paths), 0);
        markUnread({2});
        EXPECT_EQ(unreadSubjects(), QStringList{QStringLiteral("b")});
    }
}

TEST_F(HistoryLogic, deletingAnHtmlMailRemovesItsFolderWithAReadOnlyFile) {
    const MailRecord html = record(QStringLiteral("Garden"), MailRecord::kHtmlKind, HtmlMailMarker);
    add(HistoryMode::Received, html);
    const QString folder = appFolder + QStringLiteral("/Garden");
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub")));
    WriteBytes(folder + QStringLiteral("/index.htm"), "<html/>");
    WriteBytes(folder + QStringLiteral("/pic.png"), "png");
    WriteBytes(folder + QStringLiteral("/locked.txt"), "ro");
    WriteBytes(folder + QStringLiteral("/sub/deep.txt"), "x");
    ::chmod(QFile::encodeName(folder + QStringLiteral("/locked.txt")).constData(), 0444);
    ::chmod(QFile::encodeName(folder + QStringLiteral("/sub")).constData(), 0555);
    ASSERT_TRUE(deleteRow(HistoryMode::Received, 1));
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(QFileInfo(paths.receivedMailFile()).size(), 0);
}

TEST_F(HistoryLogic, deletingATextMailRemovesNoFolderEvenOneNamedAfterItsSubject) {
    // An HTML mail's page from an older copy (no mark), and a folder the user made.
    for (const char* subject : {"Garden", "just text"}) {
        ASSERT_TRUE(QDir(appFolder).mkdir(QString::fromLatin1(subject)));
        WriteBytes(appFolder + u'/' + QString::fromLatin1(subject) + QStringLiteral("/index.htm"), "<html/>");
    }
    add(HistoryMode::Received, record(QStringLiteral("Garden"), MailRecord::kHtmlKind, HtmlMailMarker));
    add(HistoryMode::Received, record(QStringLiteral("Garden")));
    add(HistoryMode::Received, record(QStringLiteral("just text")));
    const QStringList before = entries(appFolder);
    ASSERT_TRUE(deleteRow(HistoryMode::Received, 3));
    ASSERT_TRUE(deleteRow(HistoryMode::Received, 2));
    EXPECT_EQ(entries(appFolder), before);
    EXPECT_EQ((*MailDisplay::forRow(HistoryMode::Received, paths, 1, false))->pageFolder,
              appFolder + QStringLiteral("/Garden"));
}

TEST_F(HistoryLogic, hostileSubjectsRemoveNothing) {
    WriteBytes(paths.attachmentFolder() + QStringLiteral("/keep.jpg"), "jpg");
    WriteBytes(root.file(QStringLiteral("outside.txt")), "keep");
    for (const char16_t* subject :
         {u"..", u"  ", u"../app", u"★MAilData", u"添付フォルダ", u"■textquicksave", u"."}) {
        const MailRecord r = record(QString::fromUtf16(subject), MailRecord::kHtmlKind, HtmlMailMarker);
        add(HistoryMode::Received, r);
        ASSERT_TRUE(deleteRow(HistoryMode::Received, 1));
    }
    EXPECT_TRUE(QFileInfo::exists(paths.attachmentFolder() + QStringLiteral("/keep.jpg")));
    EXPECT_TRUE(QFileInfo::exists(root.file(QStringLiteral("outside.txt"))));
    EXPECT_TRUE(QFileInfo::exists(paths.sentMailFile()));
    EXPECT_TRUE(QFileInfo(paths.quickSaveFolder()).isDir());
}

TEST_F(HistoryLogic, deleteAllLeavesAnEmptySentFileAndNoWorkingFile) {
    for (int i = 0; i < 5; ++i)
        add(HistoryMode::Sent, record(QString::number(i)));
    ASSERT_TRUE(MailDeletion::deleteAllSent(paths).ok());
    EXPECT_EQ(QFileInfo(paths.sentMailFile()).size(), 0);
    EXPECT_FALSE(QFileInfo::exists(paths.dataFolder() + QStringLiteral("/ORXDATA5.TMP")));
}

TEST_F(HistoryLogic, deleteAfterAskingReadsAsksAndDeletesOnlyOnYes) {
    for (const char* s : {"1", "2", "3"})
        add(HistoryMode::Received, record(QString::fromLatin1(s)));
    const QByteArray before = ReadBytes(paths.receivedMailFile());
    QList<MailDeletion::Question> asked;
    auto answer = [&](bool yes) {
        return [&asked, yes](const MailDeletion::Question& question) {
            asked << question;
            return yes;
        };
    };
    using Kind = MailDeletion::Outcome::Kind;
    const auto declined = MailDeletion::deleteAfterAsking(HistoryMode::Received, paths, 2, answer(false));
    EXPECT_EQ(declined.kind, Kind::Declined);
    EXPECT_EQ(ReadBytes(paths.receivedMailFile()), before);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].kind, MailDeletion::Question::Kind::ReceivedText);

    const auto deleted = MailDeletion::deleteAfterAsking(HistoryMode::Received, paths, 2, answer(true));
    EXPECT_EQ(deleted.kind, Kind::Deleted);
    EXPECT_TRUE(deleted.record.subject.startsWith(QStringLiteral("2 ")));
    EXPECT_EQ(ReadBytes(paths.receivedMailFile()),
              before.left(MailRecord::kSize) + before.mid(2 * MailRecord::kSize));

    asked.clear();
    EXPECT_EQ(MailDeletion::deleteAfterAsking(HistoryMode::Received, paths, 3, answer(true)).kind,
              Kind::NothingSelected);
    EXPECT_EQ(MailDeletion::deleteAfterAsking(HistoryMode::Received, paths, 0, answer(true)).kind,
              Kind::NothingSelected);
    EXPECT_TRUE(asked.isEmpty()) << "nothing to delete, nothing asked";
}

TEST_F(HistoryLogic, deleteAfterAskingRefusesARecordWithoutParty) {
    MailRecord r = record(QStringLiteral("x"));
    r.party = QString(QChar(0)) + QStringLiteral("hidden");
    add(HistoryMode::Sent, r);
    bool asked = false;
    const auto outcome = MailDeletion::deleteAfterAsking(HistoryMode::Sent, paths, 1, [&](const auto&) {
        asked = true;
        return true;
    });
    EXPECT_EQ(outcome.kind, MailDeletion::Outcome::Kind::NothingSelected);
    EXPECT_FALSE(asked);
    EXPECT_EQ(QFileInfo(paths.sentMailFile()).size(), MailRecord::kSize);
}

TEST_F(HistoryLogic, questionsMatchTheKindOfMailAndNameTheFolderThatGoes) {
    using Q = MailDeletion::Question;
    const MailRecord html = record(QStringLiteral("x"), MailRecord::kHtmlKind);
    const std::optional<QString> folder = appFolder + QStringLiteral("/x (2)");
    struct Row {
        const char* name;
        HistoryMode mode;
        MailRecord record;
        std::optional<QString> folder;
        Q question;
    };
    const Row rows[] = {
        {"html-mail-names-its-folder", HistoryMode::Received, html, folder, {Q::Kind::ReceivedHtml, folder}},
        {"html-mail-without-a-folder-says-so", HistoryMode::Received, html, {}, {Q::Kind::ReceivedHtml}},
        {"text-mail", HistoryMode::Received, record(QStringLiteral("x")), folder, {Q::Kind::ReceivedText}},
        {"sent-mail-whatever-its-kind", HistoryMode::Sent, html, folder, {Q::Kind::SentMail}},
    };
    for (const Row& row : rows)
        EXPECT_TRUE(MailDeletion::questionFor(row.mode, row.record, row.folder) == row.question) << row.name;
}

TEST(RemoveFolder, linksAreRemovedNotFollowed) {
    TempFolder outside;
    WriteBytes(outside.file(QStringLiteral("precious.txt")), "keep");
    TempFolder dir;
    const QString folder = dir.file(QStringLiteral("mail"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(),
                        QFile::encodeName(folder + QStringLiteral("/link")).constData()),
              0);
    RemoveFolder(folder);
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists(outside.file(QStringLiteral("precious.txt"))));
    // the mail's folder itself a link: only the link goes
    ASSERT_EQ(::symlink(QFile::encodeName(outside.path()).constData(), QFile::encodeName(folder).constData()),
              0);
    RemoveFolder(folder);
    EXPECT_FALSE(QFileInfo(folder).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside.file(QStringLiteral("precious.txt"))));
}
