#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "history/quicksave.h"
#include "history/replydraft.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

MailDetails mail(const QString& subject, const QString& text = QStringLiteral("本文\n二行目")) {
    return {subject, QStringLiteral("Sato <sato@example.com>"),
            QStringLiteral("Mon, 7 Dec 2026 09:00:00 +0900"), QStringLiteral("○TEXT形式"), text};
}

class QuickSaveTest : public testing::Test {
  protected:
    TempFolder root;
    QString appFolder = root.file(QStringLiteral("app"));
    AppPaths paths{appFolder};
    int questions = 0;
    bool answer = true;
    std::function<bool()> confirm = [this] {
        ++questions;
        return answer;
    };

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(appFolder) && paths.ensureLayout().ok()); }
    QString saved(const QString& name) { return appFolder + QStringLiteral("/■TextQuickSave/") + name; }
    // Every file under the test's root, so a write anywhere shows.
    QStringList allFiles() {
        QStringList files;
        QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        return files;
    }
};

} // namespace

TEST_F(QuickSaveTest, helloIsWrittenAsFourShiftJisLinesEachEndedByCrLf) {
    const auto outcome = QuickSave::save(paths, mail(QStringLiteral("Hello")), confirm);
    ASSERT_EQ(outcome.kind, QuickSave::Outcome::Kind::Saved) << outcome.error;
    EXPECT_EQ(outcome.path, saved(QStringLiteral("Hello.txt")));
    EXPECT_EQ(ReadBytes(saved(QStringLiteral("Hello.txt"))),
              QByteArray("Subject:  Hello\r\n"
                         "From:  Sato <sato@example.com>\r\n"
                         "Date:  Mon, 7 Dec 2026 09:00:00 +0900\r\n"
                         "Body:  \x96\x7B\x95\xB6\r\n\x93\xF1\x8D\x73\x96\xDA\r\n"));
    EXPECT_EQ(outcome.shownText,
              QStringLiteral("Subject:  Hello\r\nFrom:  Sato <sato@example.com>\r\n"
                             "Date:  Mon, 7 Dec 2026 09:00:00 +0900\r\nBody:  本文\n二行目"));
    EXPECT_EQ(questions, 0);
}

TEST_F(QuickSaveTest, anEmptySubjectWritesDotTxt) {
    EXPECT_EQ(QuickSave::save(paths, mail(QString()), confirm).kind, QuickSave::Outcome::Kind::Saved);
    EXPECT_TRUE(QFileInfo::exists(saved(QStringLiteral(".txt"))));
}

TEST_F(QuickSaveTest, anExistingFileIsReplacedOnlyOnYes) {
    WriteBytes(saved(QStringLiteral("Hello.txt")), "old");
    answer = false;
    const auto declined = QuickSave::save(paths, mail(QStringLiteral("Hello")), confirm);
    EXPECT_EQ(declined.kind, QuickSave::Outcome::Kind::Declined);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(ReadBytes(saved(QStringLiteral("Hello.txt"))), QByteArray("old"));
    answer = true;
    EXPECT_EQ(QuickSave::save(paths, mail(QStringLiteral("Hello")), confirm).kind,
              QuickSave::Outcome::Kind::Saved);
    EXPECT_TRUE(ReadBytes(saved(QStringLiteral("Hello.txt"))).startsWith("Subject:  Hello\r\n"));
    EXPECT_EQ(QDir(saved(QString())).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary file left beside it";
}

TEST_F(QuickSaveTest, wildcardsAreLiteralAndDotsStayInsideTheFolder) {
    WriteBytes(saved(QStringLiteral("a.txt")), "other");
    for (const QString& subject : {QStringLiteral("?"), QStringLiteral("*"), QStringLiteral(".."),
                                   QStringLiteral("."), QStringLiteral("a\\b")})
        EXPECT_EQ(QuickSave::save(paths, mail(subject), confirm).kind, QuickSave::Outcome::Kind::Saved)
            << subject.toStdString();
    EXPECT_EQ(questions, 0) << "\"?.txt\" is not taken to match a.txt";
    EXPECT_EQ(ReadBytes(saved(QStringLiteral("a.txt"))), QByteArray("other"));
    for (const char* name : {"?.txt", "*.txt", "...txt", "..txt", "a\\b.txt"})
        EXPECT_TRUE(QFileInfo::exists(saved(QString::fromUtf8(name)))) << name;
}

TEST_F(QuickSaveTest, hostileSubjectsWriteNothingAnywhere) {
    const QStringList before = allFiles();
    struct Case {
        const char* name;
        QString subject;
        Error::Kind error;
    };
    const Error::Kind slash = Error::Kind::SubjectWithSlash;
    const Error::Kind tooLong = Error::Kind::SubjectTooLong;
    const QList<Case> cases = {
        {"parent-folder", QStringLiteral("../../evil"), slash},
        {"absolute-path", QStringLiteral("/tmp/evil"), slash},
        {"subfolder", QStringLiteral("a/b"), slash},
        {"nul-inside", QStringLiteral("a") + QChar(u'\0') + QStringLiteral("b"), slash},
        {"252-ascii-plus-dot-txt-is-256-bytes", QString(252, u'x'), tooLong},
        {"84-kanji-are-252-utf8-bytes-plus-4", QString(84, QChar(u'山')), tooLong},
    };
    for (const Case& c : cases) {
        const auto outcome = QuickSave::save(paths, mail(c.subject), confirm);
        EXPECT_EQ(outcome.kind, QuickSave::Outcome::Kind::Failed) << c.name;
        EXPECT_EQ(outcome.error.kind, c.error) << c.name;
    }
    EXPECT_EQ(allFiles(), before);
    EXPECT_EQ(QuickSave::save(paths, mail(QString(251, u'x')), confirm).kind, QuickSave::Outcome::Kind::Saved)
        << "255 bytes is the longest name";
}

TEST_F(QuickSaveTest, aMissingQuickSaveFolderIsMadeFirst) {
    ASSERT_TRUE(QDir(saved(QString())).removeRecursively());
    EXPECT_EQ(QuickSave::save(paths, mail(QStringLiteral("Hello")), confirm).kind,
              QuickSave::Outcome::Kind::Saved);
    EXPECT_TRUE(QFileInfo::exists(saved(QStringLiteral("Hello.txt"))));
}

TEST(ReplyDraft, subjectRecipientAndBodyAreTakenTrimmed) {
    const ReplyDraft draft = ReplyDraft::answering(
        {QStringLiteral("  Meeting  "), QStringLiteral(" sato@example.com "), QStringLiteral("date"),
         QStringLiteral("○TEXT形式"), QStringLiteral("  line one\r\n> line two  ")});
    EXPECT_EQ(draft.subject, QStringLiteral("Re:  Meeting"));
    EXPECT_EQ(draft.to, QStringLiteral("sato@example.com"));
    EXPECT_EQ(draft.body, QStringLiteral("line one\r\n> line two")) << "no quote marks are added";
    const ReplyDraft again = ReplyDraft::answering({draft.subject, draft.to, {}, {}, draft.body});
    EXPECT_EQ(again.subject, QStringLiteral("Re:  Re:  Meeting"));
}

TEST(ReplyDraft, anHtmlMailGivesAnEmptyBody) {
    EXPECT_TRUE(ReplyDraft::answering({QStringLiteral("page"),
                                       QStringLiteral("a@example.com"),
                                       {},
                                       QStringLiteral("●HTML形式"),
                                       QStringLiteral("HTMLファイルの受信でした。")})
                    .body.isEmpty());
    EXPECT_EQ(ReplyDraft::answering({{}, {}, {}, QStringLiteral("●HTML形式 "), QStringLiteral("x")}).body,
              QStringLiteral("x"))
        << "only the exact kind text counts";
}
