// The compose and HTML help windows, on the offscreen platform.
#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include "compose/addresslist.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "tests/support/appfolder.h"
#include "tests/support/dropfiles.h"
#include "tests/support/scriptedserver.h"
#include "tests/support/tempfolder.h"
#include "ui/twips.h"

namespace {

class WriteFormTest : public testing::Test, protected AppFolder {
  protected:
    int helpOpened = 0;
    std::unique_ptr<WriteForm> form;

    void SetUp() override { context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH); }
    void open() {
        form = std::make_unique<WriteForm>(
            context,
            WriteFormLinks{[] { return QStringLiteral("2026/12/07  10:00:00"); }, [this] { ++helpOpened; }});
        form->show();
    }
    void addAddress(const QString& name, const QString& address) {
        ASSERT_TRUE(AddressFile::book(context.paths).AppendAddressRecord(name, address).ok());
    }
    void drop(const QList<QUrl>& urls) { DropFiles(form->Label5, urls); }
    QString file(const QString& name) {
        const QString path = app.file(name);
        WriteBytes(path, "x");
        return path;
    }
    QStringList items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    QColor list1Colour() { return form->List1->palette().color(QPalette::Base); }
};

} // namespace

TEST_F(WriteFormTest, opensNarrowInTextModeWithTheEightGreetingsAndAnEmptyStartupList) {
    open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("新規作成"));
    EXPECT_EQ(form->frameGeometry().width(), Twips::toPixels(6900));
    EXPECT_EQ(form->frameGeometry().height(), Twips::toPixels(8200));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("0"));
    EXPECT_EQ(form->List1->count(), 0);
    const QString startup = app.path() + QStringLiteral("/★MAilData/ORXASTER20.INI");
    EXPECT_TRUE(QFile::exists(startup));
    EXPECT_EQ(QFile(startup).size(), 0);
    const QStringList greetings = {
        QStringLiteral("御社益々ご清祥の事とお慶び申し上げます。"),
        QStringLiteral("平素のご愛顧誠にありがとうございます。"),
        QStringLiteral("平素は格別のご愛顧を賜り深謝申し上げます。"),
        QStringLiteral("いつもお世話になっております。"),
        QStringLiteral("メールありがとうございました。確かに受け取りました。"),
        QStringLiteral("はじめまして、突然のメールで恐縮です。"),
        QStringLiteral("こんにちわ。はじめてメールいたします。"),
        QStringLiteral("こんにちわ。お変わりなく、お元気ですか？"),
    };
    ASSERT_EQ(form->Combo1->count(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form->Combo1->itemText(i), greetings[i]);
    EXPECT_FALSE(form->Command13->isEnabled());
    EXPECT_TRUE(form->Command12->isEnabled());
    EXPECT_FALSE(form->Picture3->isVisible());
    EXPECT_TRUE(form->BodyText->isVisible());
    EXPECT_FALSE(form->Label5->isEnabled());
    EXPECT_TRUE(form->Label5->text().isEmpty());
    EXPECT_FALSE(form->Command9->isEnabled());
    EXPECT_FALSE(form->List2->isVisible());
    EXPECT_FALSE(form->Option2->isChecked());
    // The body area follows the window: 0.97 of its width, 0.67 of its height.
    EXPECT_NEAR(form->BodyText->width(), Twips::toPixels(int(0.97 * 6900)), 1); // pixel rounding
    EXPECT_NEAR(form->BodyText->height(), Twips::toPixels(int(0.67 * 8200)), 1);
}

TEST_F(WriteFormTest, startupListComesFromOrxaster20AndTheBookFromTheAddressFile) {
    ASSERT_TRUE(AddressFile(context.paths.dataFile(QStringLiteral("ORXASTER20.INI")), QString())
                    .AppendAddressRecord(QStringLiteral("古い一覧"), QStringLiteral("old@x.jp"))
                    .ok());
    addAddress(QStringLiteral("山田"), QStringLiteral("yamada@x.jp"));
    addAddress(QStringLiteral("鈴木"), QStringLiteral("   営業部<suzuki@x.jp>   "));
    addAddress(QStringLiteral("佐藤"), QStringLiteral("sato@x.jp"));
    open();
    ASSERT_EQ(form->List1->count(), 1);
    EXPECT_TRUE(form->List1->item(0)->text().startsWith(QStringLiteral("古い一覧")));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("1"));

    form->Command4->click();
    EXPECT_EQ(form->frameGeometry().width(), Twips::toPixels(9700));
    EXPECT_NEAR(form->BodyText->width(), Twips::toPixels(int(0.97 * 9700)), 1); // pixel rounding
    ASSERT_EQ(form->List1->count(), 3);
    EXPECT_TRUE(form->List1->item(0)->text().startsWith(QStringLiteral("山田")));
    EXPECT_TRUE(form->List1->item(2)->text().startsWith(QStringLiteral("佐藤")));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("3"));
    EXPECT_EQ(form->addressRecordNumbers(), QList<int>({1, 2, 3}));

    form->ToText->setText(QStringLiteral("typed@x.jp"));
    const QRect second = form->List1->visualItemRect(form->List1->item(1));
    QTest::mousePress(form->List1->viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(form->ToText->text(), QStringLiteral("営業部<suzuki@x.jp>"));
    EXPECT_TRUE(prompter.shown.isEmpty());

    form->Command6->click();
    EXPECT_EQ(form->frameGeometry().width(), Twips::toPixels(7100));
}

TEST_F(WriteFormTest, pickingWithNothingSelectedSaysSo) {
    open();
    form->Command4->click();
    QTest::mousePress(form->List1->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("データが選択されていません"));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Warning);
}

TEST_F(WriteFormTest, sendToAllPaintsTheListGreenAndCancelEmptiesTheRecipient) {
    open();
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
    form->Option2->click();
    EXPECT_TRUE(form->Option2->isChecked());
    EXPECT_EQ(list1Colour(), QColor(0, 128, 0));
    form->ToText->setText(QStringLiteral("a@x.jp"));
    form->Option1->click();
    EXPECT_TRUE(form->ToText->text().isEmpty());
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
    form->Option2->click();
    form->Command6->click();
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
}

TEST_F(WriteFormTest, leavingTheGreetingBoxReplacesTheBodyOnlyWithAGreetingChosenOrTypedThere) {
    const QString draft = QStringLiteral("書きかけの本文");
    const QString first = QStringLiteral("御社益々ご清祥の事とお慶び申し上げます。");
    auto enterBox = [&] { form->Combo1->setFocus(Qt::MouseFocusReason); };
    auto leaveBox = [&] { form->BodyText->setFocus(Qt::MouseFocusReason); };
    auto chooseFirstThenEditTheBody = [&] {
        QTest::keyClick(form->Combo1, Qt::Key_Down);
        leaveBox();
        form->BodyText->moveCursor(QTextCursor::End);
        QTest::keyClicks(form->BodyText, QStringLiteral(" Regards"));
        enterBox();
    };
    const struct {
        const char* name;
        std::function<void()> inTheBox; // with the focus in the greeting box
        QString body;                   // after leaving it
    } cases[] = {
        {"focus in and out, nothing chosen: body kept", [] {}, draft},
        {"phrase chosen then focus out: body replaced by the phrase",
         [&] { QTest::keyClick(form->Combo1, Qt::Key_Down); }, first},
        {"typed text then focus out: replaced",
         [&] { QTest::keyClicks(form->Combo1, QStringLiteral("Dear all,")); }, QStringLiteral("Dear all,")},
        {"same phrase again after editing the body, without changing the combo: body kept",
         chooseFirstThenEditTheBody, first + QStringLiteral(" Regards")},
        {"same phrase chosen again from the list after editing the body: replaced",
         [&] {
             chooseFirstThenEditTheBody();
             form->Combo1->showPopup();
             QAbstractItemView* list = form->Combo1->view();
             QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                               list->visualRect(list->model()->index(0, 0)).center());
         },
         first},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->BodyText->setPlainText(draft);
        enterBox();
        c.inTheBox();
        leaveBox();
        EXPECT_EQ(form->BodyText->toPlainText(), c.body);
    }
}

TEST_F(WriteFormTest, pasteButtonsAppendToTheBodyAndReplaceTheRecipient) {
    open();
    QGuiApplication::clipboard()->setText(QStringLiteral("貼付"));
    form->BodyText->setPlainText(QStringLiteral("本文"));
    form->Command5->click();
    form->Command5->click();
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("本文貼付貼付"));
    form->ToText->setText(QStringLiteral("old@x.jp"));
    QGuiApplication::clipboard()->setText(QStringLiteral("new@x.jp"));
    form->Command7->click();
    EXPECT_EQ(form->ToText->text(), QStringLiteral("new@x.jp"));
}

TEST_F(WriteFormTest, attachmentButtonsFollowTheirEnableRules) {
    open();
    form->AttachText->setText(QStringLiteral("before"));
    form->AttachCommand->click(); // cancelled
    EXPECT_EQ(form->AttachText->text(), QStringLiteral("before"));
    EXPECT_FALSE(form->AttachCommand->isEnabled());
    EXPECT_TRUE(form->Command9->isEnabled());
    form->AttachText->clear();
    prompter.fileAnswers = {QStringLiteral("/never/asked")};
    form->Command9->click();
    EXPECT_TRUE(form->AttachText->text().isEmpty());
    EXPECT_EQ(prompter.fileAnswers.size(), 1) << "追加 with no first file asks nothing";
    form->Command10->click();
    EXPECT_TRUE(form->AttachCommand->isEnabled());
    EXPECT_FALSE(form->Command9->isEnabled());
    EXPECT_FALSE(form->Command10->isEnabled());
    EXPECT_FALSE(form->List2->isVisible());

    prompter.fileAnswers = {QStringLiteral("/f/one.txt"), QStringLiteral("/f/二.pdf"),
                            QStringLiteral("/f/three")};
    form->AttachCommand->click();
    form->Command9->click();
    form->Command9->click();
    EXPECT_EQ(form->AttachText->text(), QStringLiteral("/f/one.txt,/f/二.pdf,/f/three"));
    EXPECT_EQ(items(form->List2), QStringList({QStringLiteral("/f/one.txt"), QStringLiteral("/f/二.pdf"),
                                               QStringLiteral("/f/three")}));
    EXPECT_TRUE(form->List2->isVisible());
    EXPECT_FALSE(form->Command10->isEnabled()) << "only text mode enables 取り消し again";
}

TEST_F(WriteFormTest, htmlModeAndBackToTextMode) {
    open();
    form->BodyText->setPlainText(QStringLiteral("打った本文"));
    prompter.fileAnswers = {file(QStringLiteral("first.txt"))};
    form->AttachCommand->click();
    form->Command12->click();
    EXPECT_TRUE(form->htmlMode());
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("HTML送信QFM5270XBNWRD4618"));
    EXPECT_FALSE(form->BodyText->isVisible());
    EXPECT_TRUE(form->Picture3->isVisible());
    EXPECT_TRUE(form->Label5->isEnabled());
    EXPECT_EQ(form->Label5->text(), QString(23, QChar(0x3000)) + QStringLiteral(" HTML形式/送信"));
    for (QWidget* off : {static_cast<QWidget*>(form->Option2), static_cast<QWidget*>(form->AttachCommand),
                         static_cast<QWidget*>(form->Command9), static_cast<QWidget*>(form->Command10),
                         static_cast<QWidget*>(form->Combo1), static_cast<QWidget*>(form->Label2[0]),
                         static_cast<QWidget*>(form->Command12)})
        EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
    EXPECT_TRUE(form->Command13->isEnabled());
    EXPECT_TRUE(form->Command5->isEnabled());

    // The text-mode attachment stays first; each drop adds one file.
    const QString picture = file(QStringLiteral("cat.png"));
    const QString page = file(QStringLiteral("index.htm"));
    drop({QUrl::fromLocalFile(picture)});
    drop({QUrl::fromLocalFile(page)});
    EXPECT_EQ(form->AttachText->text(), app.file(QStringLiteral("first.txt")) + u',' + picture + u',' + page);
    EXPECT_EQ(items(form->List3), QStringList({QStringLiteral("cat.png"), QStringLiteral("index.htm")}));
    EXPECT_EQ(form->Text8->text(), page);
    EXPECT_EQ(form->Text9->text(), QStringLiteral("index.htm"));
    ASSERT_NE(form->preview(), nullptr);

    form->Command13->click();
    EXPECT_FALSE(form->htmlMode());
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("TEXT送信"));
    EXPECT_TRUE(form->AttachText->text().isEmpty());
    EXPECT_EQ(form->List2->count(), 0);
    EXPECT_EQ(form->List3->count(), 0);
    EXPECT_TRUE(form->BodyText->isVisible());
    EXPECT_FALSE(form->Picture3->isVisible());
    EXPECT_FALSE(form->Label5->isEnabled());
    EXPECT_TRUE(form->Label5->text().isEmpty());
    for (QWidget* on : {static_cast<QWidget*>(form->Option2), static_cast<QWidget*>(form->AttachCommand),
                        static_cast<QWidget*>(form->Command9), static_cast<QWidget*>(form->Command10),
                        static_cast<QWidget*>(form->Combo1), static_cast<QWidget*>(form->Label2[0]),
                        static_cast<QWidget*>(form->Command12)})
        EXPECT_TRUE(on->isEnabled()) << on->objectName().toStdString();
    EXPECT_FALSE(form->Command13->isEnabled());
}

TEST_F(WriteFormTest, aDropTakesOnlyItsFirstFileWidensAndReloadsTheAddressList) {
    open();
    const QString a = file(QStringLiteral("a.png")), b = file(QStringLiteral("b.png")),
                  c = file(QStringLiteral("index.htm"));
    drop({QUrl::fromLocalFile(a)}); // text mode: the target takes nothing
    EXPECT_TRUE(form->AttachText->text().isEmpty());

    form->Command12->click();
    addAddress(QStringLiteral("山田"), QStringLiteral("yamada@x.jp"));
    drop({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl::fromLocalFile(c)});
    EXPECT_EQ(form->AttachText->text(), a);
    EXPECT_EQ(items(form->List3), QStringList({QStringLiteral("a.png")}));
    EXPECT_EQ(form->frameGeometry().width(), Twips::toPixels(9700));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("1"));

    drop({QUrl(QStringLiteral("http://127.0.0.1/page.htm"))}); // no local file
    EXPECT_EQ(form->AttachText->text(), a);
    EXPECT_EQ(form->List3->count(), 1);
}

TEST_F(WriteFormTest, closingResetsTheModeAndHelpDoesNotBlock) {
    open();
    form->Command2->click();
    EXPECT_EQ(helpOpened, 1);
    form->Command12->click();
    form->Option2->setEnabled(true);
    form->Option2->click();
    form->Command3->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->BodyText->toPlainText().isEmpty());
    EXPECT_TRUE(form->Command12->isEnabled());
    EXPECT_FALSE(form->Command13->isEnabled());
    EXPECT_FALSE(form->Option2->isChecked());
    EXPECT_EQ(list1Colour(), QColor(255, 255, 255));
}

// The report of a send reaches the window only through its event loop: until
// then the send runs, whatever the user does meanwhile.
TEST_F(WriteFormTest, whileASendRunsNothingTheUserDoesChangesItsFields) {
    ScriptedServer server({{ScriptedServer::send("554 5.3.2 no service here"), ScriptedServer::close()}});
    context.settings.servers.SmtpServer = server.address();
    addAddress(QStringLiteral("山田"), QStringLiteral("yamada@x.jp"));
    open();
    form->Command4->click();
    form->ToText->setText(QStringLiteral("a@x.jp"));
    form->SubjectText->setText(QStringLiteral("件名"));
    form->BodyText->setPlainText(QStringLiteral("本文"));
    QGuiApplication::clipboard()->setText(QStringLiteral("貼付"));
    prompter.fileAnswers = {file(QStringLiteral("added.txt"))};
    HTForm help([&] { return form.get(); });
    const QPoint firstEntry = form->List1->visualItemRect(form->List1->item(0)).center();
    QSignalSpy finished(form.get(), &WriteForm::sendFinished);
    form->Command1->click();

    const struct {
        const char* name;
        std::function<void()> act;
    } rows[] = {
        {"typing-a-recipient", [&] { QTest::keyClicks(form->ToText, QStringLiteral("b")); }},
        {"typing-a-subject", [&] { QTest::keyClicks(form->SubjectText, QStringLiteral("b")); }},
        {"typing-in-the-body", [&] { QTest::keyClicks(form->BodyText, QStringLiteral("b")); }},
        {"typing-an-attachment-path", [&] { QTest::keyClicks(form->AttachText, QStringLiteral("b")); }},
        {"pasting-into-the-body", [&] { form->Command5->click(); }},
        {"pasting-the-recipient", [&] { form->Command7->click(); }},
        {"picking-from-the-address-list",
         [&] { QTest::mousePress(form->List1->viewport(), Qt::LeftButton, {}, firstEntry); }},
        {"cancelling-send-to-all", [&] { form->Option1->click(); }},
        {"choosing-an-attachment", [&] { form->AttachCommand->click(); }},
        {"switching-to-html-mode", [&] { form->Command12->click(); }},
        {"the-help-windows-support-mail", [&] { help.Command1->click(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.act();
        ASSERT_TRUE(form->sending());
        EXPECT_EQ(form->ToText->text(), QStringLiteral("a@x.jp"));
        EXPECT_EQ(form->SubjectText->text(), QStringLiteral("件名"));
        EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("本文"));
        EXPECT_TRUE(form->AttachText->text().isEmpty());
    }
    ASSERT_TRUE(finished.wait(30000));
    // The refused mail stays, to be put right: everything is as before the send.
    QTest::keyClicks(form->SubjectText, QStringLiteral("b"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("件名b"));
    EXPECT_TRUE(form->Command12->isEnabled());
    EXPECT_TRUE(form->List1->isEnabled());
    EXPECT_FALSE(form->Command13->isEnabled()) << "off in text mode before the send";
    EXPECT_FALSE(form->Label5->isEnabled());
}

TEST(HTForm, helpTextIsTheTwentyFiveLinesAndTheButtonPreparesTheSupportMail) {
    AppFolder folder;
    WriteForm compose(folder.context, {});
    int shown = 0;
    HTForm help([&] {
        ++shown;
        return &compose;
    });
    EXPECT_EQ(help.windowTitle(), QStringLiteral("HTML送信の手順"));
    // The text box keeps the lines, whatever it makes of their CR LF.
    const QStringList lines = help.Text1->toPlainText().split(u'\n');
    const QStringList expected = {
        QStringLiteral("【HTMLで差をつけよう！】"),
        QString(),
        QStringLiteral("●何が出来る？"),
        QStringLiteral("　ホームページと同様の画面で送受信が出来ます。静止画像、動画、BGM他も当然扱えます。"),
        QStringLiteral("●上手に使う"),
        QStringLiteral("　htmは必ず「index.htm」※（重要）として下さい。"),
        QStringLiteral(
            "　画像ファイル等を先にドロップさせ、index.htmを最後に入れると表示確認がしやすくなります。"),
        QStringLiteral("①まず準備する事・・・"),
        QStringLiteral("　通常あなたが使用しているHP作成ツールで書式を作成。例：ホームページビルダーなど（何"
                       "でも構いません）"),
        QString(),
        QStringLiteral("　「htm」ファイル、画像ファイルなどは、同一のフォルダに入れ作成した方が後が楽です。"),
        QStringLiteral("　サイズに指定はありませんが、相手が見やすいサイズを心がけましょう。（ホームページビ"
                       "ルダー等なら、"
                       "フレームでサイズ指定すれば簡単です）"),
        QStringLiteral("　送信できるファイル数はindex.htmを含め１０個迄です。"),
        QString(QChar(0x3000)),
        QStringLiteral("②HTML形式でのファイルが揃ったら・・・"),
        QStringLiteral(
            "　本画面の「HTML形式」ボタンをクリック。右の欄に「HTML形式/送信」の文字が表示されます。"),
        QStringLiteral("　「HTML形式/"
                       "送信」と書かれた欄に、先ほど作成したファイルをエクスプローラからドラッグ＆ドロップし"
                       "ます。本画面の下欄（body/本文）にイメージ画像が表示されます。"),
        QStringLiteral("　本画面のサイズが自動的に拡張されます。そしてドラッグ＆ドロップしたファイルの一覧が"
                       "表示されます。"),
        QString(),
        QStringLiteral("※こんな時"),
        QStringLiteral(
            "　「HTML形式」での作業中、アドレス帳が隠れてしまった時。→「TEXT形式」をクリックさせると前面に表"
            "示されます。アドレスを一発入力した後、もう一度「HTML形式」をクリックして下さい。"),
        QStringLiteral("　「HTML形式」での一括送信が出来ない。→現在は使用出来ないように設定しています。"),
        QStringLiteral("■注意"),
        QStringLiteral("　「HTML形式」での送受信は、本ソフト同士でなければ出来ません。通常のテキスト形式なら"
                       "通常のメーラー"
                       "同様、他のメーラーとの送受信が可能です。"),
        QStringLiteral("　「HTML形式」での受信は、セキュリティ目的で、本ソフトにパスワードを組み込み、本ソフ"
                       "ト以外のウイル"
                       "スを含む可能性のあるメールはhtmと認識させないようにしています。"),
    };
    ASSERT_EQ(lines.size(), 25);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
    EXPECT_FALSE(help.Text1->toPlainText().endsWith(u'\n'));

    compose.ToText->setText(QStringLiteral("someone@x.jp"));
    compose.SubjectText->setText(QStringLiteral("書きかけ"));
    compose.BodyText->setPlainText(QStringLiteral("書きかけの本文"));
    help.Command1->click();
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(compose.ToText->text(), QStringLiteral("Fennick サポート <support@fennick.example>"));
    EXPECT_EQ(compose.SubjectText->text(), QStringLiteral("使用方法での質問です。"));
    // The box shows CR LF as a line break; sending writes CR LF again.
    EXPECT_EQ(compose.BodyText->toPlainText(),
              QStringLiteral("「Fennick」の使用で分からない点があります。以下がその内容です。\n\n    ") +
                  QString(49, u'*'));

    help.show();
    help.resize(help.width(), Twips::toPixels(3000));
    EXPECT_EQ(help.Text1->height(),
              Twips::toPixels(int(0.87 * Twips::fromPixels(help.frameGeometry().height()))));
    EXPECT_EQ(help.Command1->y(), help.Text1->height() + Twips::toPixels(170));
    EXPECT_EQ(help.Command1->x(), Twips::toPixels(1560));
}

TEST_F(WriteFormTest, withSeveralAccountsAFromChoiceStandsAboveTheRecipientAndTheFieldsBelowMoveDownARow) {
    context.settings.servers.MailAddress = QStringLiteral("me@home.jp");
    struct Row {
        const char* name;
        QString addedAccount; // its name; none: the first alone
        QStringList choices;  // none: the choice stays hidden
    };
    const Row rows[] = {
        {"first-account-alone", {}, {}},
        {"a-further-account",
         QStringLiteral("仕事"),
         {QStringLiteral("me@home.jp"), QStringLiteral("仕事 <taro@work.jp>")}},
    };
    int bodyBottom = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.addedAccount.isEmpty()) {
            AccountProfile work;
            work.displayName = row.addedAccount;
            work.address = QStringLiteral("taro@work.jp");
            ASSERT_TRUE(context.accounts().add(work).ok());
        }
        open();
        QStringList choices;
        for (int i = 0; i < form->FromCombo->count(); ++i)
            choices << form->FromCombo->itemText(i);
        const bool shown = !row.choices.isEmpty();
        EXPECT_EQ(form->FromCombo->isVisible(), shown);
        EXPECT_EQ(form->Label2[2]->isVisible(), shown);
        EXPECT_EQ(shown ? choices : QStringList(), row.choices);
        EXPECT_EQ(form->FromCombo->currentIndex(), 0) << "the first account sends unless another is chosen";
        EXPECT_NEAR(Twips::fromPixels(form->ToText->y()), shown ? 1140 : 840, 16);
        EXPECT_NEAR(Twips::fromPixels(form->AttachText->y()), shown ? 2040 : 1740, 16);
        const int bottom = Twips::fromPixels(form->BodyText->geometry().bottom());
        EXPECT_NEAR(bottom, bodyBottom ? bodyBottom : bottom, 16) << "the body ends where it did";
        bodyBottom = bottom;
    }
}
