#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/historysearchbar.h"
#include "history/tyakuform.h"
#include "search/historyindex.h"
#include "search/indexupdate.h"
#include "search/mailfacts.h"
#include "search/recordscan.h"
#include "search/searchtext.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/samplemail.h"
#include "text/text.h"

namespace {

constexpr int kRecords = 60;

class HistorySearchBarTest : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;
    std::unique_ptr<TyakuForm> form;
    QAbstractItemModel* model = nullptr;

    void SetUp() override {
        SampleMail::writeHistory(context.paths.receivedMailFile(), kRecords);
        openWindow();
    }
    void openWindow() {
        form = std::make_unique<TyakuForm>(context, editor);
        form->OpenHistory(HistoryMode::Received);
        model = form->MailListView->model();
    }
    // The subject, party and date a row shows, and those of the records.
    QStringList row(int i) {
        return {TrimSpaces(model->index(i, 0).data().toString()),
                TrimSpaces(model->index(i, 2).data().toString()),
                TrimSpaces(model->index(i, 3).data().toString())};
    }
    QList<QStringList> listedRows() {
        QList<QStringList> all;
        for (int i = 0; i < model->rowCount(); ++i)
            all.append(row(i));
        return all;
    }
    static QStringList stored(const MailRecord& r) { return {r.subject, r.party, r.date}; }
    QList<int> matching(const QString& query) {
        return RecordScan::find(context.paths.receivedMailFile(), SearchText::words(query)).value();
    }
    void type(const QString& query) {
        // As an input method commits Japanese text.
        QInputMethodEvent committed;
        committed.setCommitString(query);
        QApplication::sendEvent(form->searchBar()->box(), &committed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->searchBar()->shownQuery() == query; }, 20000));
    }
};

TEST_F(HistorySearchBarTest, listsTheMailsFoundWithTheirRecordNumbersAndClearingBringsAllBack) {
    const QList<int> found = matching(QStringLiteral("セミナー"));
    ASSERT_GE(found.size(), 3);
    ASSERT_LT(found.size(), kRecords);
    type(QStringLiteral("ｾﾐﾅｰ"));
    ASSERT_EQ(model->rowCount(), found.size());
    EXPECT_EQ(form->Text2->text(), QString::number(found.size()));
    for (int i = 0; i < found.size(); ++i)
        EXPECT_EQ(row(i), stored(SampleMail::record(found[i]))) << "row " << i;

    const QModelIndex second = model->index(1, 0);
    form->MailListView->setCurrentIndex(second);
    QTest::mouseClick(form->MailListView->viewport(), Qt::LeftButton, {},
                      form->MailListView->visualRect(second).center());
    const MailRecord clicked = SampleMail::record(found[1]);
    EXPECT_EQ(form->Text7->text(), clicked.subject);
    EXPECT_EQ(form->Text8->text(), clicked.party);
    EXPECT_TRUE(form->rtfEd->toPlainText().endsWith(QStringLiteral("案件A%1番").arg(found[1])));

    form->Command3_Click(); // answered Yes
    const auto left = MailFile::received(context.paths).readAll();
    ASSERT_EQ(left->size(), kRecords - 1);
    for (const auto& [n, r] : *left)
        EXPECT_NE(stored(r), stored(clicked)) << "record " << n << " is the one deleted";
    ASSERT_EQ(model->rowCount(), found.size() - 1);
    EXPECT_EQ(form->Text2->text(), QString::number(found.size() - 1));
    EXPECT_EQ(row(0), stored(SampleMail::record(found[0])));
    EXPECT_EQ(row(1), stored(SampleMail::record(found[2]))) << "the rows after it moved up";
    const QModelIndex now = model->index(1, 0);
    form->MailListView->setCurrentIndex(now);
    form->MailListView_Click();
    EXPECT_EQ(form->Text8->text(), SampleMail::record(found[2]).party) << "read from its new record number";

    form->searchBar()->clear();
    EXPECT_EQ(model->rowCount(), kRecords - 1);
    EXPECT_EQ(form->Text2->text(), QString::number(kRecords - 1));
}

TEST_F(HistorySearchBarTest, anAccountChoiceNarrowsTheListToThatAccountsMail) {
    EXPECT_TRUE(form->searchBar()->accountChoice()->isHidden()) << "one account: nothing to choose";
    ASSERT_TRUE(context.accounts().nameFirst(QStringLiteral("会社")).ok());
    AccountProfile home;
    home.displayName = QStringLiteral("自宅");
    const Result<AccountProfile> added = context.accounts().add(home);
    ASSERT_TRUE(added.ok());
    {
        auto facts = MailFacts::open(context.paths.receivedMailFile());
        ASSERT_TRUE(facts.ok());
        ASSERT_TRUE(facts.value().set({2, 5, 7}, MailAccounts::kFact, added->key.toUtf8()).ok());
    }
    openWindow(); // the accounts as they are when the history opens
    HistorySearchBar* bar = form->searchBar();
    ASSERT_FALSE(bar->accountChoice()->isHidden());
    QStringList choices;
    for (int i = 0; i < bar->accountChoice()->count(); ++i)
        choices << bar->accountChoice()->itemText(i);
    EXPECT_EQ(choices, (QStringList{QStringLiteral("すべてのアカウント"), QStringLiteral("会社"),
                                    QStringLiteral("自宅")}));
    const auto choose = [&](int index, int rows) {
        bar->accountChoice()->setCurrentIndex(index);
        Q_EMIT bar->accountChoice()->activated(index);
        return QTest::qWaitFor([&] { return model->rowCount() == rows; }, 20000);
    };
    ASSERT_TRUE(choose(2, 3)) << "自宅";
    EXPECT_EQ(row(1), stored(SampleMail::record(5)));
    ASSERT_TRUE(choose(1, kRecords - 3)) << "会社, with the mail from before there were accounts";
    type(QStringLiteral("案件A5番"));
    EXPECT_EQ(model->rowCount(), 0) << "a word found only in the other account's mail";
    ASSERT_TRUE(choose(0, 1)) << "すべてのアカウント";
}

TEST_F(HistorySearchBarTest, searchMenuFocusesTheBoxWithAShortcutNoOtherCommandUses) {
    QMenu* menu = form->searchBar()->menu();
    EXPECT_EQ(menu->title(), QStringLiteral("検索(&S)"));
    QAction* find = form->findChild<QAction*>(QStringLiteral("mhistorysearch"));
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->text(), QStringLiteral("履歴を検索"));
    EXPECT_FALSE(find->shortcut().isEmpty());
    for (const QAction* other : form->findChildren<QAction*>()) {
        if (other != find) {
            EXPECT_NE(other->shortcut(), find->shortcut()) << other->objectName().toStdString();
        }
    }
    for (const auto key : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                           QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo,
                           QKeySequence::Bold, QKeySequence::Italic, QKeySequence::Underline})
        EXPECT_FALSE(QKeySequence::keyBindings(key).contains(find->shortcut())) << "a text editing key";

    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form->rtfEd, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QApplication::focusWidget() == form->searchBar()->box(); }, 3000));
}

// Sees each report of the search's workers as the window is about to handle
// it, so that a test can act between a report being sent and handled.
class SearchReports : public QObject {
  public:
    SearchReports() { QCoreApplication::instance()->installEventFilter(this); }
    int handled = 0;
    std::function<void()> beforeNext;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MetaCall &&
            watched->objectName() == QStringLiteral("historySearchReports")) {
            if (beforeNext)
                std::exchange(beforeNext, {})();
            ++handled;
        }
        return false;
    }
};

TEST_F(HistorySearchBarTest, anAnswerReadBeforeADeletionIsNotShownButAskedForAgain) {
    const QString file = context.paths.receivedMailFile();
    const QString index = HistorySetup::indexOf(HistoryMode::Received, context.paths);
    const QString query = QStringLiteral("セミナー");
    struct Row {
        const char* name;
        std::function<void()> prepareIndex;
        // The index found ready (or not), and the end of its update; then the search is idle.
        int reportsOnOpening;
    };
    const Row rows[] = {
        {"answered-from-the-index", [&] { ASSERT_TRUE(IndexUpdate::bringUpToDate(file, index).ok()); }, 2},
        // No index can be made where a folder stands: every query reads the records.
        {"answered-by-reading-the-records", [&] { ASSERT_TRUE(QDir().mkpath(index)); }, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        form.reset();
        HistoryIndex::remove(index);
        SampleMail::writeHistory(file, kRecords);
        r.prepareIndex();
        SearchReports reports;
        openWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return reports.handled == r.reportsOnOpening; }));

        // A text mail ahead of a match: deleting it moves the matches after it up.
        const QList<int> before = matching(query);
        int p = 1;
        while (before.contains(p) || TrimSpaces(SampleMail::record(p).kind).contains(MailRecord::kHtmlKind))
            ++p;
        ASSERT_LT(p, before.last());
        form->MailListView->setCurrentIndex(model->index(p - 1, 0));
        form->MailListView_Click();

        QList<QList<QStringList>> listed; // by each answer shown
        QObject::connect(model, &QAbstractItemModel::modelReset, &reports, [&] {
            if (form->searchBar()->shownQuery() == query)
                listed.append(listedRows());
        });
        reports.beforeNext = [&] { form->Command3_Click(); }; // answered Yes
        form->searchBar()->box()->setText(query);
        form->searchBar()->searchNow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return form->searchBar()->shownQuery() == query; }, 20000));
        ASSERT_EQ(MailFile::received(context.paths).count().value(), kRecords - 1)
            << "deleted before the answer";
        QList<QStringList> left; // the mails after the one deleted moved up
        for (int n : matching(query))
            left.append(stored(SampleMail::record(n < p ? n : n + 1)));
        EXPECT_EQ(listed, QList<QList<QStringList>>{left});
    }
}

TEST_F(HistorySearchBarTest, statusShowsWholeBesideTheBoxAtEveryCountAndWindowWidth) {
    struct Row {
        const char* name;
        int scanned, scanTotal, indexed, indexTotal;
        QString shown;
    };
    const Row rows[] = {
        {"history-with-no-mail", 0, 0, 0, 0, QString()},
        {"index-build-under-way", 0, 0, 23040, 32767, QStringLiteral("索引を作成中 23040 / 32767")},
        {"index-build-at-its-last-mail", 0, 0, 32766, 32767, QStringLiteral("索引を作成中 32766 / 32767")},
        {"index-build-done", 0, 0, 32767, 32767, QString()},
        {"query-reading-a-full-history-during-the-build", 23040, 32767, 100, 32767,
         QStringLiteral("検索中 23040 / 32767")},
    };
    HistorySearchBar* bar = form->searchBar();
    auto placed = [&](QWidget* w) { return QRect(w->mapTo(form.get(), QPoint(0, 0)), w->size()); };
    for (const int width : {form->width(), 1}) {
        form->resize(width, form->height()); // as narrow as it goes
        for (const Row& r : rows) {
            SCOPED_TRACE(testing::Message() << r.name << " at width " << form->width());
            bar->showScanning(r.scanned, r.scanTotal);
            bar->showIndexing(r.indexed, r.indexTotal);
            // Lays the bar out; the search's own reports wait.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            EXPECT_EQ(bar->status()->text(), r.shown);
            const QRect status = placed(bar->status());
            const QRect box = placed(bar->box());
            EXPECT_TRUE(form->rect().contains(status) && form->rect().contains(box))
                << "status from " << status.left() << " to " << status.right() << ", box from " << box.left()
                << " to " << box.right();
            EXPECT_LT(status.right(), box.left());
            EXPECT_GE(bar->status()->contentsRect().width(),
                      bar->status()->fontMetrics().horizontalAdvance(bar->status()->text()));
        }
    }
}

} // namespace
