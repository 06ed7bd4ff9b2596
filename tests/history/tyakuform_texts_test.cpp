// Every text of the history window's history role, and the states the
// behaviour depends on, against their literals.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "tests/support/appfolder.h"

namespace {

class TyakuFormTexts : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override { form = std::make_unique<TyakuForm>(context, editor); }
    QString hoverHelp(QWidget* over) {
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(over, &enter);
        return form->Text4->toPlainText();
    }
};

} // namespace

TEST_F(TyakuFormTexts, captionsOfTheButtonsAndLabels) {
    EXPECT_EQ(form->Command1->text(), QStringLiteral("Text Quick Save"));
    EXPECT_EQ(form->Command2->text(), QStringLiteral("コピー（Subject/from/Data）"));
    EXPECT_EQ(form->Command3->text(), QStringLiteral("一件削除"));
    EXPECT_EQ(form->Command4->text(), QStringLiteral("アドレス帳登録"));
    EXPECT_EQ(form->Command5->text(), QStringLiteral("返事を書く"));
    EXPECT_EQ(form->Command6->text(), QStringLiteral("全件削除"));
    EXPECT_EQ(form->Label1->text(), QStringLiteral("HTML（ソース）をTEXTで開く"));
    EXPECT_EQ(form->Label4->text(), QStringLiteral("件数"));
    const QStringList headers = {QStringLiteral("Subject"), QStringLiteral("HTML/TEXT"),
                                 QStringLiteral("From"), QStringLiteral("Date")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->MailListView->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
}

TEST_F(TyakuFormTexts, hoverHelpTexts) {
    EXPECT_EQ(
        hoverHelp(form->Command1),
        QStringLiteral(
            "選択したデータをテキスト形式で本ソフト内の「TextQuickSave」フォルダ内に「Subject」「From」"
            "「Date」「Boby」で保存します。ファイル名は「Subject」が自動的に当てられます。同名のファイル"
            "が既に存在する場合は警告メッセージを出します。"));
    EXPECT_EQ(
        hoverHelp(form->Command2),
        QStringLiteral(
            "本文以外のコピーに使用します。「Subject」「From」「Date」に表示されるデータをコピーします（"
            "貼り付けはメニューバー、ツールバーで出来ます）。Body（本文）はメニューバー、ツールバーから"
            "コピー・貼り付けが出来ます。\r\n\r\n 本文への貼り付け（あるいは本ソフトでの貼り付け機能があ"
            "る部分）、他のアプリケーションへの貼り付けが可能です。\r\n\r\nコピーされる内容は右の欄に反映"
            "されます。")
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_EQ(
        hoverHelp(form->Command3),
        QStringLiteral(
            "受信したメールを１件ずつ削除します。リストでメールを選択（クリック）してから実行して下さい。"));
    EXPECT_EQ(hoverHelp(form->Command4),
              QStringLiteral("受信したメールをアドレス帳に登録します。リストからメールを選択（ク"
                             "リック）してから実行して下さい。"));
    EXPECT_EQ(
        hoverHelp(form->Command5),
        QStringLiteral(
            "受信したメールに返事を出します。リストからメールを選択（クリック）してから実行して下さい。"));
    EXPECT_EQ(hoverHelp(form->Command6), QStringLiteral("受信したメール全件削除します。"));
    EXPECT_EQ(hoverHelp(form->Text1),
              QStringLiteral("検索した文字を入力し、メニューバーから「検索」「次を検索」を選択し、検"
                             "索したい文字を本文中(body)から検索します。"));
}

TEST_F(TyakuFormTexts, eachHistoryHasItsCaptionAndListColour) {
    form->OpenHistory(HistoryMode::Received);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴"));
    EXPECT_EQ(form->MailListView->palette().color(QPalette::Base), QColor(210, 250, 250));
    form->OpenHistory(HistoryMode::Sent);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("送信履歴"));
    EXPECT_EQ(form->MailListView->palette().color(QPalette::Base), QColor(250, 250, 255));
}
