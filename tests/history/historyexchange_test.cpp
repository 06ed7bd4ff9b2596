#include <QAction>
#include <QDir>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include "exchange/mbox.h"
#include "history/editorstate.h"
#include "history/historyexchange.h"
#include "history/tyakuform.h"
#include "mime/mimedecoder.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/samplemail.h"
#include "tests/support/tempfolder.h"

namespace {

class HistoryExchangeTest : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override {
        SampleMail::writeHistory(context.paths.receivedMailFile(), 5);
        form = std::make_unique<TyakuForm>(context, editor);
        form->OpenHistory(HistoryMode::Received);
    }
    void select(std::initializer_list<int> rows) {
        QItemSelectionModel* selection = form->MailListView->selectionModel();
        selection->clearSelection();
        for (int row : rows)
            selection->select(form->MailListView->model()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void trigger(const char* item) {
        QAction* action = form->findChild<QAction*>(QString::fromLatin1(item));
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
    }
    bool waitUntilDone() {
        return QTest::qWaitFor([&] { return !form->exchange()->isRunning(); }, 30000);
    }
};

TEST_F(HistoryExchangeTest, exportOfTheSelectedRowsAsksBeforeReplacingFilesAndSaysHowManyWent) {
    const QString folder = app.file(QStringLiteral("export"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteBytes(folder + QStringLiteral("/00004.eml"), "older");

    trigger("mexportemlselected");
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("データが選択されていません"));

    select({1, 3});
    prompter.fileAnswers = {folder};
    prompter.answers = {Prompter::Answer::No};
    trigger("mexportemlselected");
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1].text,
              QStringLiteral("書き出し先に同じ名前のファイルが 1 個あります。上書きしますか？"));
    EXPECT_EQ(prompter.shown[1].title, QStringLiteral("確認"));
    EXPECT_FALSE(form->exchange()->isRunning());
    EXPECT_EQ(ReadBytes(folder + QStringLiteral("/00004.eml")), "older");

    prompter.fileAnswers = {folder};
    trigger("mexportemlselected"); // answered Yes
    ASSERT_TRUE(waitUntilDone());
    ASSERT_EQ(prompter.shown.size(), 4);
    EXPECT_EQ(prompter.shown[3].text, QStringLiteral("2 件を書き出しました。"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              (QStringList{QStringLiteral("00002.eml"), QStringLiteral("00004.eml")}));
    EXPECT_TRUE(MimeDecoder::decode(ReadBytes(folder + QStringLiteral("/00004.eml")))
                    .body.endsWith(QStringLiteral("案件A4番")));
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("exchangeProgress"))->text().isEmpty());
}

TEST_F(HistoryExchangeTest, importListsTheNewMailsAndAsksBeforeTakingTheSameAgain) {
    const QString mbox = app.file(QStringLiteral("in.mbox"));
    WriteBytes(mbox,
               Mbox::entry("From a@example.jp Mon Dec  7 09:00:00 2026",
                           "From: a@example.jp\nSubject: one\nMessage-ID: <1@example.jp>\n\nbody one\n") +
                   Mbox::entry("From b@example.jp Mon Dec  7 09:00:00 2026",
                               "From: b@example.jp\nSubject: two\nMessage-ID: <2@example.jp>\n\nbody two\n"));
    prompter.fileAnswers = {mbox};
    trigger("mimportmbox");
    ASSERT_TRUE(waitUntilDone());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("2 件を取り込みました。"));
    EXPECT_EQ(form->MailListView->model()->rowCount(), 7);
    EXPECT_EQ(form->Text2->text(), QStringLiteral("7"));

    prompter.fileAnswers = {mbox};
    prompter.answers = {Prompter::Answer::No};
    trigger("mimportmbox");
    ASSERT_TRUE(waitUntilDone());
    ASSERT_EQ(prompter.shown.size(), 3);
    EXPECT_EQ(prompter.shown[1].text,
              QStringLiteral("この中の 2 件は前に取り込んだメールです。もう一度取り込みますか？\n"
                             "（「いいえ」: それらを飛ばして取り込みます）"));
    EXPECT_EQ(prompter.shown[2].text,
              QStringLiteral("0 件を取り込みました。\n取り込み済みの 2 件は飛ばしました。"));
    EXPECT_EQ(MailFile::received(context.paths).count().value(), 7);
}

TEST_F(HistoryExchangeTest, importIsForTheReceivedHistoryOnly) {
    QAction* import = form->findChild<QMenu*>(QStringLiteral("mimport"))->menuAction();
    EXPECT_TRUE(import->isEnabled());
    form->OpenHistory(HistoryMode::Sent);
    EXPECT_FALSE(import->isEnabled());
}

} // namespace
