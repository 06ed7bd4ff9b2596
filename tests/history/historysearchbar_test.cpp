#include <QAction>
#include <QApplication>
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

} // namespace
