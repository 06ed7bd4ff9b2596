#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

#include "search/historysearch.h"
#include "search/mailfacts.h"
#include "search/recordscan.h"
#include "search/searchtext.h"
#include "store/mailfile.h"
#include "tests/support/samplemail.h"
#include "tests/support/tempfolder.h"

namespace {

class HistorySearchTest : public testing::Test {
  protected:
    TempFolder folder;
    QString file = folder.file(QStringLiteral("orxdata2.data"));
    QString index = folder.file(QStringLiteral("orxdata2.search"));
    QList<std::pair<QString, QList<int>>> answers;
    int scanReports = 0;
    int readyReports = 0;
    bool allOnThisThread = true;

    void SetUp() override { SampleMail::writeHistory(file, 2 * RecordScan::kProgressRecords); }

    std::unique_ptr<HistorySearch> search() {
        HistorySearch::Listener listener;
        auto here = [this] {
            allOnThisThread =
                allOnThisThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        };
        listener.found = [this, here](const QString& query, const QList<int>& records) {
            here();
            answers.append({query, records});
        };
        listener.scanning = [this, here](int, int) {
            here();
            ++scanReports;
        };
        listener.indexReady = [this, here] {
            here();
            ++readyReports;
        };
        return std::make_unique<HistorySearch>(file, index, listener);
    }
    bool waitFor(const std::function<bool()>& condition) {
        const QDeadlineTimer deadline(20000);
        while (!condition() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return condition();
    }
    QList<int> expected(const QString& query) {
        return RecordScan::find(file, SearchText::words(query)).value();
    }
};

TEST_F(HistorySearchTest, answersByReadingTheRecordsUntilTheIndexIsReadyThenFromIt) {
    const auto s = search();
    const QString query = QStringLiteral("請求書 髙橋");
    s->find(query);
    ASSERT_TRUE(waitFor([&] { return answers.size() == 1; }));
    EXPECT_EQ(answers[0].first, query);
    EXPECT_EQ(answers[0].second, expected(query));
    EXPECT_GT(scanReports, 0) << "no index yet: the records are read, with progress";

    ASSERT_TRUE(waitFor([&] { return readyReports > 0; })) << "the scan asked for the index";
    scanReports = 0;
    MailFile mails(file, folder.file(QStringLiteral("ORXDATA2.TMP")));
    MailRecord arrived = SampleMail::record(1);
    arrived.subject = QStringLiteral("新着の請求書");
    arrived.party = QStringLiteral("髙橋 <t@example.jp>");
    ASSERT_TRUE(mails.append(arrived).ok());
    s->find(query);
    ASSERT_TRUE(waitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers[1].second, expected(query));
    EXPECT_EQ(answers[1].second.last(), 2 * RecordScan::kProgressRecords + 1) << "the mail that arrived";
    EXPECT_EQ(scanReports, 0) << "the index answered, and the one record after it was read";
    EXPECT_TRUE(allOnThisThread);
}

TEST_F(HistorySearchTest, aNewerQueryReplacesOneStillRunning) {
    const auto s = search();
    s->find(QStringLiteral("お世話"));
    s->find(QStringLiteral("案件A5番"));
    ASSERT_TRUE(waitFor([&] { return !answers.isEmpty(); }));
    QCoreApplication::processEvents();
    ASSERT_EQ(answers.size(), 1);
    EXPECT_EQ(answers[0].first, QStringLiteral("案件A5番"));
    EXPECT_EQ(answers[0].second, QList<int>{5});
}

TEST_F(HistorySearchTest, narrowsToTheMailOfOneAccount) {
    // Mail 1-3 came to the second account, 4 to the first; the others were
    // received before there were several accounts.
    {
        auto facts = MailFacts::open(file);
        ASSERT_TRUE(facts.ok()) << facts.error();
        ASSERT_TRUE(facts.value().set({1, 2, 3}, MailAccounts::kFact, "a1b2c3d4").ok());
        ASSERT_TRUE(facts.value().set({4}, MailAccounts::kFact, "1").ok());
    }
    const QList<int> all = expected(QString());
    const struct {
        const char* name;
        const char* query;
        MailAccounts::Narrowing account;
        QList<int> records;
    } rows[] = {
        {"second-account", "", {QStringLiteral("a1b2c3d4"), false}, {1, 2, 3}},
        {"second-account-and-words", "案件A2番", {QStringLiteral("a1b2c3d4"), false}, {2}},
        {"first-account-has-the-mail-from-before", "", {QStringLiteral("1"), true}, all.mid(3)},
        {"an-account-without-mail", "", {QStringLiteral("ffff0000"), false}, {}},
    };
    const auto s = search();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        answers.clear();
        s->find(QString::fromUtf8(row.query), row.account);
        ASSERT_TRUE(waitFor([&] { return answers.size() == 1; }));
        EXPECT_EQ(answers[0].second, row.records);
    }
}

} // namespace
