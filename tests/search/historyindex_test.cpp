#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "search/historyindex.h"
#include "search/indexupdate.h"
#include "search/recordfilestate.h"
#include "search/recordscan.h"
#include "search/searchtext.h"
#include "store/mailfile.h"
#include "tests/support/samplemail.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

constexpr int kRecords = 400;

class HistoryIndexTest : public testing::Test {
  public:
    TempFolder folder;
    QString file = folder.file(QStringLiteral("orxdata2.data"));
    QString index = folder.file(QStringLiteral("orxdata2.search"));
    MailFile mails{file, folder.file(QStringLiteral("ORXDATA2.TMP"))};

    void SetUp() override { SampleMail::writeHistory(file, kRecords); }

    // Each word in one of the four fields, compared field by field.
    QList<int> bruteForce(const QString& query) {
        const QStringList words = SearchText::words(query);
        QList<int> found;
        const auto all = mails.readAll();
        EXPECT_TRUE(all.ok());
        for (const auto& [n, r] : *all) {
            QStringList fields;
            for (const QString& f : {r.subject, r.party, r.date, r.body})
                fields << SearchText::fold(TrimSpaces(CutAtNul(f)));
            const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
                return std::any_of(fields.begin(), fields.end(),
                                   [&](const QString& f) { return f.contains(w); });
            });
            if (all)
                found << n;
        }
        return found;
    }
    QList<int> fromIndex(const QString& query, int maxExpanded = HistoryIndex::kMaxExpandedTrigrams) {
        const auto snapshot = HistoryIndex::lookUp(index, SearchText::words(query), maxExpanded);
        EXPECT_TRUE(snapshot.ok()) << snapshot.error();
        return snapshot ? snapshot->records : QList<int>{-1};
    }
};

struct QueryCase {
    const char* name;
    QString query;
};

class HistoryQueryTest : public HistoryIndexTest, public testing::WithParamInterface<QueryCase> {};

TEST_P(HistoryQueryTest, indexAndScanFindWhatABruteForceFinds) {
    const Status built = IndexUpdate::bringUpToDate(file, index);
    ASSERT_TRUE(built.ok()) << built.error();
    const QList<int> expected = bruteForce(GetParam().query);
    if (QByteArrayView(GetParam().name) != "word-found-nowhere") {
        EXPECT_FALSE(expected.isEmpty()) << "the history holds no such mail";
    }
    EXPECT_EQ(fromIndex(GetParam().query), expected);
    EXPECT_EQ(fromIndex(GetParam().query, 0), expected) << "short words looked for through the texts";
    EXPECT_EQ(RecordScan::find(file, SearchText::words(GetParam().query)).value(), expected);
}

INSTANTIATE_TEST_SUITE_P(Queries, HistoryQueryTest,
                         testing::Values(QueryCase{"rare-code-in-one-mail", QStringLiteral("案件A17番")},
                                         QueryCase{"rare-name", QStringLiteral("五十嵐")},
                                         QueryCase{"common-phrase", QStringLiteral("お世話になっております")},
                                         QueryCase{"two-words-and", QStringLiteral("請求書 髙橋")},
                                         QueryCase{"half-width-kana-typed", QStringLiteral("ｾﾐﾅｰ")},
                                         QueryCase{"full-width-typed-for-half-width",
                                                   QStringLiteral("テスト工業")},
                                         QueryCase{"upper-case-typed", QStringLiteral("INVOICE")},
                                         QueryCase{"one-kanji", QStringLiteral("髙")},
                                         QueryCase{"two-kanji", QStringLiteral("会議")},
                                         QueryCase{"two-characters-ending-the-body", QStringLiteral("7番")},
                                         QueryCase{"short-and-long-word", QStringLiteral("髙 請求書")},
                                         QueryCase{"wave-dash-typed-as-tilde", QStringLiteral("15～")},
                                         QueryCase{"minus-typed-as-hyphen", QStringLiteral("ＡＢ-１２３")},
                                         QueryCase{"party-address", QStringLiteral("takahashi@")},
                                         QueryCase{"date", QStringLiteral("Mar 2026")},
                                         QueryCase{"word-found-nowhere", QStringLiteral("存在しない語")}),
                         [](const testing::TestParamInfo<QueryCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

struct FileChange {
    const char* name;
    std::function<void(HistoryIndexTest&)> change;
};

class IndexFollowTest : public HistoryIndexTest, public testing::WithParamInterface<FileChange> {};

void setUserVersion(const QString& path, int version) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    const QByteArray sql = "PRAGMA user_version=" + QByteArray::number(version);
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

TEST_P(IndexFollowTest, indexFollowsTheRecordFileAndNeverWritesIt) {
    ASSERT_TRUE(IndexUpdate::bringUpToDate(file, index).ok());
    GetParam().change(*this);
    const QByteArray before = ReadBytes(file);
    ASSERT_TRUE(IndexUpdate::bringUpToDate(file, index).ok());
    for (const QString& query : {QStringLiteral("案件A"), QStringLiteral("新着"), QStringLiteral("案件A3番")})
        EXPECT_EQ(fromIndex(query), bruteForce(query)) << query.toStdString();
    const auto snapshot = HistoryIndex::lookUp(index, {}, HistoryIndex::kMaxExpandedTrigrams);
    ASSERT_TRUE(snapshot.ok());
    EXPECT_EQ(snapshot->state, RecordFileState::of(file).value());
    EXPECT_EQ(ReadBytes(file), before);
}

MailRecord newMail(int i) {
    MailRecord r = SampleMail::record(kRecords + i);
    r.subject = QStringLiteral("新着 %1").arg(i);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Changes, IndexFollowTest,
    testing::Values(
        FileChange{"mails-appended",
                   [](HistoryIndexTest& t) {
                       for (int i = 1; i <= 3; ++i)
                           ASSERT_TRUE(t.mails.append(newMail(i)).ok());
                   }},
        FileChange{"mail-deleted-renumbers-the-rest",
                   [](HistoryIndexTest& t) {
                       ASSERT_TRUE(t.mails.markDeleted(2).ok());
                       ASSERT_TRUE(t.mails.compact().ok());
                   }},
        FileChange{"deleted-then-as-many-appended",
                   [](HistoryIndexTest& t) {
                       ASSERT_TRUE(t.mails.markDeleted(5).ok());
                       ASSERT_TRUE(t.mails.compact().ok());
                       ASSERT_TRUE(t.mails.append(newMail(1)).ok());
                   }},
        FileChange{"record-rewritten-in-place",
                   [](HistoryIndexTest& t) { ASSERT_TRUE(t.mails.writeAt(3, newMail(2)).ok()); }},
        FileChange{"last-record-rewritten-and-one-appended",
                   [](HistoryIndexTest& t) {
                       ASSERT_TRUE(t.mails.writeAt(kRecords, newMail(1)).ok());
                       ASSERT_TRUE(t.mails.append(newMail(2)).ok());
                   }},
        FileChange{"index-missing", [](HistoryIndexTest& t) { HistoryIndex::remove(t.index); }},
        FileChange{"index-damaged", [](HistoryIndexTest& t) { WriteBytes(t.index, QByteArray(8192, 'x')); }},
        FileChange{"index-of-another-format", [](HistoryIndexTest& t) { setUserVersion(t.index, 99); }},
        FileChange{"record-file-emptied", [](HistoryIndexTest& t) { WriteBytes(t.file, {}); }}),
    [](const testing::TestParamInfo<FileChange>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

} // namespace
