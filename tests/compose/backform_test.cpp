// The reply window on the offscreen platform, its failing send against a
// scripted server; sending through the real servers is in
// backform_server_test.cpp.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "compose/backform.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/scriptedserver.h"
#include "tests/support/tempfolder.h"
#include "ui/twips.h"

namespace {

class BackFormTest : public testing::Test, protected AppFolder {
  protected:
    std::unique_ptr<BackForm> form;

    void SetUp() override {
        form = std::make_unique<BackForm>(context);
        form->show();
    }
    int outerWidth() { return Twips::fromPixels(form->frameGeometry().width()); }
    int outerHeight() { return Twips::fromPixels(form->frameGeometry().height()); }
    int leftOf(QWidget* w) { return Twips::fromPixels(w->x()); }
    int widthOf(QWidget* w) { return Twips::fromPixels(w->width()); }
    QStringList items(QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    // The layout after each resize, within a pixel's rounding (15 twips at 96 dpi).
    void expectLayout() {
        const int W = outerWidth(), H = outerHeight();
        EXPECT_NEAR(widthOf(form->BodyText), 0.99 * W, 16);
        EXPECT_NEAR(Twips::fromPixels(form->BodyText->height()), 0.74 * H, 16);
        EXPECT_NEAR(widthOf(form->ToText), 0.7 * W, 16);
        EXPECT_NEAR(widthOf(form->SubjectText), 0.7 * W, 16);
        EXPECT_NEAR(widthOf(form->AttachText), 0.4 * W, 16);
        const int attach = widthOf(form->AttachText);
        EXPECT_NEAR(leftOf(form->AttachCommand), attach + 1240, 16);
        EXPECT_NEAR(leftOf(form->Command9), attach + 2060, 16);
        EXPECT_NEAR(leftOf(form->Command10), attach + 2940, 16);
    }
};

} // namespace

TEST_F(BackFormTest, opensWithTheAttachmentListHiddenAndFollowsTheResizeRatios) {
    EXPECT_FALSE(form->List2->isVisible());
    EXPECT_TRUE(form->Command9->isEnabled()) << "unlike the compose window, 追加 is usable from the start";
    EXPECT_TRUE(form->BodyText->font().families().contains(QStringLiteral("ＭＳ Ｐゴシック")));
    expectLayout();

    form->resize(Twips::toPixels(11000), Twips::toPixels(9000));
    expectLayout();
    form->resize(Twips::toPixels(6000), Twips::toPixels(6500));
    expectLayout();
}

TEST_F(BackFormTest, pasteWithAnEmptyClipboardPutsFourLineBreaksAboveTheAnsweredMail) {
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  Meeting"), QStringLiteral("from@x.jp"),
                           QStringLiteral("一行目\n二行目")));
    form->BodyText->setPlainText(QStringLiteral("書き換えた本文"));
    QGuiApplication::clipboard()->clear();
    form->Command4->click();
    // CR LF CR LF CR LF CR: four line breaks, the answered mail's text, not the edited one.
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("\n\n\n\n一行目\n二行目"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("\n\n\n\n一行目\n二行目"))
        << "the clipboard is left holding the new body";

    QGuiApplication::clipboard()->setText(QStringLiteral("  承知しました。"));
    form->Command4->click();
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("承知しました。\n\n\n\n一行目\n二行目"))
        << "the body is replaced, not appended to, and trimmed of spaces";
}

TEST_F(BackFormTest, aSecondAnswerOverwritesSubjectRecipientAndBody) {
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  one"), QStringLiteral("a@x.jp"), QStringLiteral("first")));
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  Re:  one"), QStringLiteral("b@x.jp"), QString()));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("Re:  Re:  one"));
    EXPECT_EQ(form->ToText->text(), QStringLiteral("b@x.jp"));
    EXPECT_TRUE(form->BodyText->toPlainText().isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    form->Command4->click();
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("x\n\n\n\n")) << "no text of the first mail";
}

TEST_F(BackFormTest, attachmentButtonsFollowTheirEnableRules) {
    prompter.fileAnswers = {QStringLiteral("/never/asked")};
    form->Command9->click();
    EXPECT_TRUE(form->List2->isVisible());
    EXPECT_TRUE(form->AttachText->text().isEmpty());
    EXPECT_EQ(prompter.fileAnswers.size(), 1) << "追加 with no first file asks nothing";

    prompter.fileAnswers = {QStringLiteral("/f/one.txt"), QStringLiteral("/f/二.pdf"),
                            QStringLiteral("/f/three")};
    form->AttachCommand->click();
    EXPECT_FALSE(form->AttachCommand->isEnabled());
    form->Command9->click();
    form->Command9->click();
    EXPECT_EQ(form->AttachText->text(), QStringLiteral("/f/one.txt,/f/二.pdf,/f/three"));
    EXPECT_EQ(items(form->List2), QStringList({QStringLiteral("/f/one.txt"), QStringLiteral("/f/二.pdf"),
                                               QStringLiteral("/f/three")}));

    form->Command10->click();
    EXPECT_TRUE(form->AttachText->text().isEmpty());
    EXPECT_EQ(form->List2->count(), 0);
    EXPECT_FALSE(form->List2->isVisible());
    EXPECT_TRUE(form->AttachCommand->isEnabled());
    EXPECT_FALSE(form->Command9->isEnabled());
    EXPECT_FALSE(form->Command10->isEnabled());

    form->AttachCommand->click(); // cancelled: the button is spent all the same
    EXPECT_FALSE(form->AttachCommand->isEnabled());
    EXPECT_TRUE(form->AttachText->text().isEmpty());
}

TEST_F(BackFormTest, closingWithoutSendingEmptiesTheBody) {
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  a"), QStringLiteral("a@x.jp"), QStringLiteral("本文")));
    form->Command3->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->BodyText->toPlainText().isEmpty());
    EXPECT_TRUE(prompter.shown.isEmpty());
}

// A server that turns every mail away: the window keeps the reply.
TEST_F(BackFormTest, aReplyThatCannotBeSentStaysInTheWindow) {
    ScriptedServer server({{ScriptedServer::send("554 5.3.2 no service here"), ScriptedServer::close()}});
    context.settings.servers.SmtpServer = server.address();
    const QString attachment = app.file(QStringLiteral("memo.txt"));
    WriteBytes(attachment, "memo");
    ASSERT_TRUE(form->fill(QStringLiteral("Re:  予定"), QStringLiteral("a@x.jp"), QStringLiteral("本文")));
    form->BodyText->append(QStringLiteral("追記"));
    prompter.fileAnswers = {attachment};
    form->AttachCommand->click();

    QSignalSpy finished(form.get(), &BackForm::sendFinished);
    form->Command2->click();
    EXPECT_FALSE(form->Command2->isEnabled()) << "a second send while one runs";
    form->Command3->click();
    EXPECT_TRUE(form->isVisible()) << "a reply on its way cannot be called back";
    EXPECT_FALSE(form->fill(QStringLiteral("Re:  other"), QStringLiteral("b@x.jp"), QString()));
    // Nor can its fields change meanwhile.
    QTest::keyClicks(form->BodyText, QStringLiteral("b"));
    QTest::keyClicks(form->ToText, QStringLiteral("b"));
    form->Command4->click();
    form->Command10->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("返事を送信中です。送信が終わってから、もう一度「返事を書く」を押して下さい。"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("Re:  予定"));
    ASSERT_TRUE(finished.wait(30000));

    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1].title, QStringLiteral("送信エラー"));
    EXPECT_EQ(prompter.shown[1].text,
              QStringLiteral("サーバー「%1」が接続を断りました。(554 5.3.2 no service here)")
                  .arg(server.address()));
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->Command2->isEnabled());
    EXPECT_EQ(form->ToText->text(), QStringLiteral("a@x.jp"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("Re:  予定"));
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("本文\n追記"));
    EXPECT_EQ(form->AttachText->text(), attachment);
    EXPECT_EQ(MailFile::sent(context.paths).count().value(), 0);
    QTest::keyClicks(form->SubjectText, QStringLiteral("b"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("Re:  予定b")) << "to be put right";
}

TEST_F(BackFormTest, aWarningOfTheSenderStandsRedAboveTheBodyUntilTheNextAnswer) {
    const QString warning = QStringLiteral(
        "差出人のドメイン bank.example の認証に失敗しました。本物の送信者ではない可能性があります。");
    ASSERT_TRUE(
        form->fill(QStringLiteral("Re:  ご利用確認"), QStringLiteral("info@bank.example"), QString()));
    form->showWarning(warning);
    EXPECT_TRUE(form->VerdictBand->isVisible());
    EXPECT_EQ(form->VerdictBand->text(), warning);
    EXPECT_TRUE(form->VerdictBand->styleSheet().contains(QStringLiteral("#c00000")));
    EXPECT_EQ(form->BodyText->y(), form->VerdictBand->geometry().bottom() + 1)
        << "no line of the body is hidden";
    form->resize(form->width() + 40, form->height() + 40);
    EXPECT_EQ(form->BodyText->y(), form->VerdictBand->geometry().bottom() + 1) << "nor after a resize";
    form->showWarning(QString());
    EXPECT_FALSE(form->VerdictBand->isVisible());
    EXPECT_EQ(form->BodyText->y(), form->VerdictBand->y()) << "the body takes its place again";
}
