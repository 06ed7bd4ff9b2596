// The compose window sending through the real Postfix of the test run, and
// two application folders exchanging an HTML mail end to end.
#include <QComboBox>
#include <QDir>
#include <QImage>
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
#include <QTreeView>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include "compose/addresslist.h"
#include "compose/writeform.h"
#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "pageview/pageviewplugin.h"
#include "receive/mailcheck.h"
#include "settings/firstaccount.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/dropfiles.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"
#include "transport/pop3session.h"

namespace {

// One copy of the program: its own application folder and settings.
struct AppCopy : AppFolder {
    AppCopy() {
        context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH);
        context.settings.servers.SmtpServer = TestMailServers::smtpServer();
        context.settings.servers.Pop3Server = TestMailServers::pop3Server();
    }
    QList<NumberedMailRecord> sent() { return MailFile::sent(context.paths).readAll().value(); }
};

class WriteFormServerTest : public testing::Test {
  protected:
    std::unique_ptr<AppCopy> copy;
    TestAccount account;
    std::unique_ptr<WriteForm> form;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        copy = std::make_unique<AppCopy>();
        copy->context.settings.servers.MailAddress = account.address;
        form = std::make_unique<WriteForm>(
            copy->context, WriteFormLinks{[] { return QStringLiteral("2026/12/07  10:41:05"); }, {}});
        form->show();
    }
    // The one mail the account got, once Postfix has delivered it; none, saying why, when it did not.
    std::optional<ReceivedMessage> onlyMailArrived() {
        if (!TestMailServers::waitForMessages(account, 1)) {
            ADD_FAILURE() << "nothing arrived";
            return std::nullopt;
        }
        Pop3Session pop({}, TestMailServers::trust());
        const bool in = pop.connect(TestMailServers::pop3Server()).ok() &&
                        countOf(pop.authenticate(account.name, account.password, false)) == 1;
        Result<ReceivedMessage> got = in ? pop.fetch(1) : Result<ReceivedMessage>::failure({});
        if (!got) {
            ADD_FAILURE() << got.error().debugText().toStdString();
            return std::nullopt;
        }
        return *got;
    }
    void drop(const QString& file) { DropFiles(form->Label5, {QUrl::fromLocalFile(file)}); }
    // Presses 送信 and waits for the outcome, checking the window stays live.
    void send() {
        QSignalSpy finished(form.get(), &WriteForm::sendFinished);
        form->Command1->click();
        EXPECT_FALSE(form->Command1->isEnabled()) << "a second send while one runs";
        form->Command3->click();
        EXPECT_TRUE(form->isVisible()) << "a mail on its way cannot be called back";
        EXPECT_EQ(form->StatusBar1->currentMessage(),
                  QStringLiteral("メールを送信中です。しばらくお待ち下さい。"));
        ASSERT_TRUE(finished.wait(30000));
        EXPECT_TRUE(form->Command1->isEnabled());
    }
};

QStringList pageFiles(const TempFolder& files) {
    const QString picture = files.file(QStringLiteral("photo.png"));
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(picture, "PNG");
    const QString page = files.file(QStringLiteral("index.htm"));
    WriteBytes(page, "<html><head><title>便り</title></head><body><img src=\"photo.png\"></body></html>");
    return {picture, page};
}

} // namespace

TEST_F(WriteFormServerTest, htmlMailOfADroppedPictureAndPageGoesOutWithTheMarkerBody) {
    TempFolder files;
    const QStringList page = pageFiles(files);
    form->ToText->setText(QStringLiteral(" ") + account.address + QStringLiteral(" "));
    form->SubjectText->setText(QStringLiteral("夏の便り"));
    form->Command12->click();
    drop(page[0]);
    drop(page[1]);
    send();
    EXPECT_TRUE(copy->prompter.shown.isEmpty());
    EXPECT_EQ(form->StatusBar1->currentMessage(), QStringLiteral("送信完了です。"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->ToText->text().isEmpty());
    EXPECT_TRUE(form->AttachText->text().isEmpty());

    const QList<NumberedMailRecord> sent = copy->sent();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(TrimSpaces(sent[0].record.kind), QStringLiteral("●HTML形式"));
    EXPECT_EQ(TrimSpaces(sent[0].record.body), QStringLiteral("HTML送信QFM5270XBNWRD4618"));
    EXPECT_EQ(TrimSpaces(sent[0].record.party), account.address);
    EXPECT_EQ(sent[0].record.date.left(20), QStringLiteral("2026/12/07  10:41:05"));

    const std::optional<ReceivedMessage> got = onlyMailArrived();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->body, QStringLiteral("HTML送信QFM5270XBNWRD4618"));
    ASSERT_EQ(got->attachments.size(), 2);
    EXPECT_EQ(got->attachments[0].name, QStringLiteral("photo.png"));
    EXPECT_EQ(got->attachments[1].name, QStringLiteral("index.htm"));
    EXPECT_EQ(got->attachments[0].content, ReadBytes(page[0]));
}

TEST_F(WriteFormServerTest, refusedRecipientKeepsTheWindowOpenWithItsFieldsAndRecordsNothing) {
    form->ToText->setText(QStringLiteral("nobody@fennick.test"));
    form->SubjectText->setText(QStringLiteral("件名"));
    form->BodyText->setPlainText(QStringLiteral("本文"));
    send();
    ASSERT_EQ(copy->prompter.shown.size(), 1);
    EXPECT_EQ(copy->prompter.shown[0].title, QStringLiteral("送信エラー"));
    EXPECT_TRUE(copy->prompter.shown[0].text.startsWith(
        QStringLiteral("nobody@fennick.test へ送信できませんでした。\n550 5.1.1")))
        << copy->prompter.shown[0].text.toStdString();
    EXPECT_EQ(form->StatusBar1->currentMessage(), QStringLiteral("送信できなかったメールがあります。"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->ToText->text(), QStringLiteral("nobody@fennick.test"));
    EXPECT_EQ(form->SubjectText->text(), QStringLiteral("件名"));
    EXPECT_EQ(form->BodyText->toPlainText(), QStringLiteral("本文"));
    EXPECT_TRUE(copy->sent().isEmpty());
}

TEST_F(WriteFormServerTest, sendToAllFromTheWindowReachesEveryAddressRecord) {
    const TestAccount second = TestMailServers::claimAccount();
    const TestAccount third = TestMailServers::claimAccount();
    for (const TestAccount& a : {account, second, third})
        ASSERT_TRUE(AddressFile::book(copy->context.paths).AppendAddressRecord(a.name, a.address).ok());
    form->Command4->click();
    form->Option2->click();
    form->ToText->setText(QStringLiteral("皆様"));
    form->SubjectText->setText(QStringLiteral("一斉のお知らせ"));
    send();
    EXPECT_TRUE(copy->prompter.shown.isEmpty());
    EXPECT_FALSE(form->isVisible());
    for (const TestAccount& a : {account, second, third})
        EXPECT_TRUE(TestMailServers::waitForMessages(a, 1)) << a.name.toStdString();
    const QList<NumberedMailRecord> sent = copy->sent();
    ASSERT_EQ(sent.size(), 3);
    for (const NumberedMailRecord& r : sent)
        EXPECT_EQ(TrimSpaces(r.record.party), QStringLiteral("皆様"));
}

TEST_F(WriteFormServerTest, sendToAllAgainGoesOnlyToTheRefusedEntryUntilItIsSwitchedOffAndOn) {
    const AddressFile book = AddressFile::book(copy->context.paths);
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("私"), account.address).ok());
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("誰も"), QStringLiteral("nobody@fennick.test")).ok());
    form->Command4->click();
    form->Option2->click();
    form->SubjectText->setText(QStringLiteral("一斉のお知らせ"));
    const QString stillMissing =
        QStringLiteral("送信できなかった宛先: nobody@fennick.test。"
                       "もう一度「送信」を押すと、まだ届いていない宛先にだけ送ります。");
    // The refused entry alone goes again; the accepted one neither gets a
    // second mail nor a second sent record.
    for (int press = 1; press <= 2; ++press) {
        SCOPED_TRACE(press);
        send();
        ASSERT_EQ(copy->prompter.shown.size(), press);
        EXPECT_TRUE(copy->prompter.shown.last().text.startsWith(
            QStringLiteral("nobody@fennick.test へ送信できませんでした。\n550 5.1.1")));
        EXPECT_EQ(form->StatusBar1->currentMessage(), stillMissing);
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(copy->sent().size(), 1);
    }
    // Switched off and on again: a new send-to-all, to everyone.
    form->Option1->click();
    form->Option2->click();
    send();
    EXPECT_EQ(copy->sent().size(), 2);
    EXPECT_TRUE(TestMailServers::waitForMessages(account, 2));
}

TEST_F(WriteFormServerTest, anAttachmentTypedThatIsNoFileStopsTheSendAndNamesIt) {
    TempFolder files;
    const QString typed = files.file(QStringLiteral("ない.pdf"));
    form->ToText->setText(account.address);
    form->AttachText->setText(typed);
    send();
    ASSERT_EQ(copy->prompter.shown.size(), 1);
    EXPECT_EQ(copy->prompter.shown[0].text,
              QStringLiteral("添付ファイル「") + typed +
                  QStringLiteral("」を読み込めません。ファイルがあるか確かめて下さい。"));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->AttachText->text(), typed);
    EXPECT_TRUE(copy->sent().isEmpty());
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
}

// One copy composes and sends an HTML mail; a second copy receives it and
// shows the page with the picture from the mail's own folder.
TEST_F(WriteFormServerTest, twoCopiesExchangeAnHtmlMail) {
    TempFolder files;
    const QStringList page = pageFiles(files);
    form->ToText->setText(account.address);
    form->SubjectText->setText(QStringLiteral("夏の便り"));
    form->Command12->click();
    drop(page[0]);
    drop(page[1]);
    send();
    ASSERT_TRUE(copy->prompter.shown.isEmpty()) << copy->prompter.shown.value(0).text.toStdString();
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));

    // The sender's sent history shows it.
    EditorState senderEditor;
    TyakuForm sentHistory(copy->context, senderEditor);
    sentHistory.OpenHistory(HistoryMode::Sent);
    ASSERT_EQ(sentHistory.MailListView->model()->rowCount(), 1);
    EXPECT_TRUE(sentHistory.MailListView->model()->index(0, 0).data().toString().startsWith(
        QStringLiteral("夏の便り")));
    EXPECT_EQ(sentHistory.rtfEd->toPlainText(), QStringLiteral("「HTML形式」で送信しました。"));

    AppCopy receiver;
    WriteBytes(receiver.context.paths.accountFile(), account.accountFileBytes());
    Pop3Session pop({}, TestMailServers::trust());
    const MailCheck::Outcome outcome =
        MailCheck(receiver.context.paths,
                  FirstAccountProfile(receiver.context.paths, receiver.context.settings), pop, {})
            .CheckMail();
    ASSERT_EQ(outcome.stored, 1) << testing::PrintToString(outcome.errors);

    EditorState editor;
    TyakuForm history(receiver.context, editor);
    history.OpenHistory(HistoryMode::Received);
    ASSERT_EQ(history.MailListView->model()->rowCount(), 1);
    const QModelIndex row = history.MailListView->model()->index(0, 0);
    history.MailListView->setCurrentIndex(row);
    QTest::mouseClick(history.MailListView->viewport(), Qt::LeftButton, {},
                      history.MailListView->visualRect(row).center());
    ASSERT_NE(history.pageView(), nullptr) << receiver.prompter.shown.value(0).text.toStdString();
    auto* view = qobject_cast<QWebEngineView*>(history.pageView()->widget());
    ASSERT_NE(view, nullptr);
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    ASSERT_TRUE(loaded.wait(30000));
    EXPECT_TRUE(loaded.first().first().toBool());
    const QString folder = receiver.app.path() + QStringLiteral("/夏の便り");
    EXPECT_EQ(view->url(), QUrl::fromLocalFile(folder + QStringLiteral("/index.htm")));
    EXPECT_EQ(view->title(), QStringLiteral("便り"));
    // The picture came from the mail's folder: it has its real size.
    QVariant width;
    bool answered = false;
    view->page()->runJavaScript(
        QStringLiteral("document.images.length ? document.images[0].naturalWidth : -1"),
        QWebEngineScript::ApplicationWorld, [&](const QVariant& v) {
            width = v;
            answered = true;
        });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 10000));
    EXPECT_EQ(width.toInt(), 40);
}

TEST_F(WriteFormServerTest, mailSentFromTheSecondAccountArrivesWithItsFromThroughItsOwnServer) {
    // The first account sends through plain SMTP without a login; the
    // second through the submission port, logging in as itself.
    const TestAccount second = TestMailServers::claimAccount();
    AccountProfile work;
    work.displayName = QStringLiteral("仕事");
    work.address = second.address;
    work.smtpServer = TestMailServers::submissionServer();
    work.loginId = second.name;
    work.password = second.password;
    ASSERT_TRUE(copy->context.accounts().add(work).ok());
    form = std::make_unique<WriteForm>(
        copy->context, WriteFormLinks{[] { return QStringLiteral("2026/12/08  09:00:00"); }, {}});
    form->show();
    form->FromCombo->setCurrentIndex(1);
    form->ToText->setText(account.address);
    form->SubjectText->setText(QStringLiteral("仕事から"));
    form->BodyText->setPlainText(QStringLiteral("本文"));
    send();
    for (const auto& shown : copy->prompter.shown) // the submission port's certificate, trusted once asked
        EXPECT_EQ(shown.title, QStringLiteral("確認")) << shown.text.toStdString();
    EXPECT_EQ(copy->sent().size(), 1) << "one sent history for every account";

    const std::optional<ReceivedMessage> got = onlyMailArrived();
    ASSERT_TRUE(got);
    EXPECT_EQ(got->sender, second.address);
    EXPECT_EQ(TestMailServers::smtpSession(second.address).mechanism, QStringLiteral("PLAIN"));
}
