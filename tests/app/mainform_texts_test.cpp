// Every text of the main window against its literal.
#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "tests/support/appfolder.h"

TEST(MainFormTexts, captionsAndHelpLinesAreTheDesignsOwn) {
    AppFolder folder;
    AppWindows windows(folder.context);
    MainForm form(folder.context, windows);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Fennick Ver 1.0"));
    EXPECT_EQ(form.Label[10]->text(), QStringLiteral("Fennick"));
    const struct {
        const char16_t* caption;
        const char16_t* help;
    } labels[8] = {
        {u"　　新規作成",
         u"メールの新規作成・送信を行います。「HTML」、「TEXT」の送信が行えます。使用方法は「新規作成」"
         u"画面でのHELPをご覧下さい。"},
        {u"　　受　　　信", u"新着メールの受信を行います。"},
        {u"　　着信履歴", u"受信したメールデータを見ます。「HTML」、「TEXT」"},
        {u"　　送信履歴", u"送信したメールデータを見ます。送信したかな？　と言う時にご覧下さい。"},
        {u"　　アドレス帳",
         u"アドレス帳への登録を行います。これにより頻度の高いメールの送信の際にアドレス一発入力が可能と"
         u"なります。"},
        {u"　　設　　　定", u"ID,PASS,サーバーの設定を行います。これを行わないと、通信エラーとなります。"},
        {u"　　　Small", u"画面の最小化を行います。"},
        {u"　　HomePage", u"ミルテ工房、作者のホームページです。取り扱い等の情報が得られます。"},
    };
    EXPECT_TRUE(form.Label[9]->text().isEmpty()) << "the help line is empty at start";
    for (int i = 1; i <= 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(form.Label[i]->text(), QString::fromUtf16(labels[i - 1].caption));
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(form.Label[i], &enter);
        EXPECT_EQ(form.Label[9]->text(), QString::fromUtf16(labels[i - 1].help));
    }
    form.Form_MouseMove();
    EXPECT_TRUE(form.Label[9]->text().isEmpty());
    EXPECT_FALSE(form.Label[9]->isVisibleTo(&form));
}
