#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "addressbook/friendform.h"
#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/receiveaction.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "history/tyakuform.h"
#include "settings/accountfile.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/setform.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"
#include "transport/mailbox.h"

namespace {

class StartUpTest : public testing::Test, protected AppFolder {
  protected:
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;

    void SetUp() override {
        context.now = [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3)); };
    }

    void start() {
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        StartUp(context, *windows);
        form->show();
    }

    void writeCompleteFiles() {
        WriteBytes(app.file(QStringLiteral("orvex.ini")),
                   QByteArray("SMTP=smtp.x\r\nPOP3=pop.x\r\nMAIL=me@x\r\nAPOP=1\r\n"));
        WriteBytes(context.paths.accountFile(),
                   QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
    }

    bool visible(QWidget* w) { return w && w->isVisible(); }
};

} // namespace

TEST_F(StartUpTest, firstStartWithoutFilesOpensBothSettingsWindows) {
    start();
    EXPECT_TRUE(visible(windows->serversWindow()));
    EXPECT_TRUE(windows->serversWindow()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(visible(windows->accountWindow()));
    EXPECT_FALSE(windows->accountWindow()->Check1->isChecked());
    EXPECT_EQ(windows->accountWindow()->PassText->echoMode(), QLineEdit::Password);
}

TEST_F(StartUpTest, completeFilesOpenNoSettingsWindow) {
    writeCompleteFiles();
    start();
    EXPECT_FALSE(visible(windows->serversWindow()));
    EXPECT_FALSE(visible(windows->accountWindow()));
    EXPECT_EQ(windows->accountWindow()->IdText->text(), QStringLiteral("taro"));
    EXPECT_EQ(context.settings.servers.UseApop, 1);
}

TEST_F(StartUpTest, confirmingTheServerWindowWritesFourLinesAndTheBoxIsTickedAfterRestart) {
    start();
    OptionForm* w = windows->serversWindow();
    w->SmtpText->setText(QStringLiteral("smtp.example.jp"));
    w->Pop3Text->setText(QStringLiteral("pop.example.jp"));
    w->MailText->setText(QStringLiteral("me@example.jp"));
    w->ApopCheck->setChecked(true);
    QTest::mouseClick(w->OKCommand, Qt::LeftButton);
    EXPECT_EQ(ReadBytes(app.file(QStringLiteral("orvex.ini"))),
              QByteArray("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=me@example.jp\r\nAPOP=1\r\n"));
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(context.settings.servers.Pop3Server, QStringLiteral("pop.example.jp"));

    form.reset();
    windows.reset();
    context.settings = {};
    start();
    windows->openServers();
    EXPECT_TRUE(windows->serversWindow()->ApopCheck->isChecked());
}

TEST_F(StartUpTest, cancelInTheServerWindowChangesNothing) {
    start();
    windows->serversWindow()->Pop3Text->setText(QStringLiteral("typed"));
    QTest::mouseClick(windows->serversWindow()->CancelCommand, Qt::LeftButton);
    EXPECT_FALSE(QFile::exists(app.file(QStringLiteral("orvex.ini"))));
    EXPECT_TRUE(context.settings.servers.Pop3Server.isEmpty());
}

TEST_F(StartUpTest, confirmingTheAccountWindowWithoutSavingChangesOnlyName3) {
    writeCompleteFiles();
    start();
    windows->openAccount();
    IdPassForm* w = windows->accountWindow();
    w->IdText->setText(QStringLiteral("other"));
    w->PassText->setText(QStringLiteral("otherpw"));
    QTest::mouseClick(w->OKCommand, Qt::LeftButton);
    EXPECT_EQ(ReadBytes(context.paths.accountFile()),
              QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=0\r\n"));
    EXPECT_EQ(context.settings.AccountId, QStringLiteral("other"));
}

TEST_F(StartUpTest, savedAccountFileIsReadableByItsOwnerOnly) {
    start();
    IdPassForm* w = windows->accountWindow();
    w->IdText->setText(QStringLiteral("taro"));
    w->PassText->setText(QStringLiteral("pw"));
    w->Check1->setChecked(true);
    w->OKCommand_Click();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(context.paths.accountFile()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    windows->openAccount();
    EXPECT_FALSE(windows->accountWindow()->Check1->isChecked())
        << "the save box is unticked at every opening";
}

TEST_F(StartUpTest, unwritableSettingsAreReportedAndKeptForThisRun) {
    context.currentFolder = QStringLiteral("/nonexistent/folder");
    start();
    windows->serversWindow()->Pop3Text->setText(QStringLiteral("pop.kept"));
    windows->serversWindow()->OKCommand_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("orvex.ini")));
    EXPECT_EQ(context.settings.servers.Pop3Server, QStringLiteral("pop.kept"));
}

TEST_F(StartUpTest, anAccountThatCouldNotBeSavedIsStillUsedForThisRun) {
    writeCompleteFiles();
    start();
    // A folder in the file's place makes every write of it fail.
    QFile::remove(context.paths.accountFile());
    ASSERT_TRUE(QDir().mkdir(context.paths.accountFile()));
    IdPassForm* w = windows->accountWindow();
    w->IdText->setText(QStringLiteral("hanako"));
    w->PassText->setText(QStringLiteral("newpw"));
    w->Check1->setChecked(true);
    w->OKCommand_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.endsWith(QStringLiteral("\nこの設定は今回の起動中だけ使われます。")));
    const Account used =
        AccountFile(context.paths.accountFile()).loadForCheck(context.settings.unsavedAccount);
    EXPECT_EQ(used.id, QStringLiteral("hanako"));
    EXPECT_EQ(used.password, QStringLiteral("newpw"));
}

TEST_F(StartUpTest, mainWindowsClockShowsTheShortDateAndTheTimeEverySecond) {
    writeCompleteFiles();
    start();
    // the clock: the system's short date, two spaces, the time
    const QString shortDate = QLocale::system().toString(QDate(2026, 12, 7), QLocale::ShortFormat);
    EXPECT_TRUE(form->Text2->text().startsWith(shortDate + QStringLiteral("  ")))
        << form->Text2->text().toStdString();
    EXPECT_TRUE(form->Text2->text().contains(QStringLiteral("5:03"))) << form->Text2->text().toStdString();
    EXPECT_EQ(form->Timer2->interval(), 1000);
    EXPECT_TRUE(form->Timer2->isActive());
}

TEST_F(StartUpTest, smallMinimisesOnlyTheMainWindowWhoseClockRestsMeanwhile) {
    start();
    QTest::mouseClick(form->Label[7], Qt::LeftButton);
    EXPECT_TRUE(form->isMinimized());
    EXPECT_FALSE(form->Timer2->isActive()) << "no wake-ups for a clock nobody sees";
    form->showNormal();
    EXPECT_TRUE(form->Timer2->isActive());
    EXPECT_FALSE(windows->serversWindow()->isMinimized());
    EXPECT_TRUE(windows->serversWindow()->isVisible());
}

TEST_F(StartUpTest, settingsLabelOpensTheHubWhichOpensBothWindows) {
    writeCompleteFiles();
    start();
    QTest::mouseClick(form->Label[6], Qt::LeftButton);
    ASSERT_TRUE(visible(windows->settingsWindow()));
    windows->settingsWindow()->Command2_Click();
    EXPECT_TRUE(visible(windows->serversWindow()));
    EXPECT_EQ(windows->serversWindow()->Pop3Text->text(), QStringLiteral("pop.x"));
}

TEST_F(StartUpTest, homePageOpensTheLocalPageInTheBrowser) {
    writeCompleteFiles();
    QUrl opened;
    context.openUrl = [&](const QUrl& url) {
        opened = url;
        return true;
    };
    start();
    form->Label8_Click();
    ASSERT_EQ(prompter.shown.size(), 1) << "no page installed yet";
    WriteBytes(app.file(QStringLiteral("homepage.htm")), QByteArray("<html></html>"));
    form->Label8_Click();
    EXPECT_EQ(opened, QUrl::fromLocalFile(app.file(QStringLiteral("homepage.htm"))));
}

namespace {

// A mailbox whose server answers only once the test opens the gate (or a
// while later, so that a check stuck on the window thread cannot hang the run).
class GatedMailbox : public Mailbox {
  public:
    explicit GatedMailbox(std::shared_ptr<QSemaphore> gate) : gate_(std::move(gate)) {}
    bool refused = false; // the login
    Status connect(const QString&) override {
        return gate_->tryAcquire(1, 10000) ? Status() : Status::failure({.kind = Error::Kind::Timeout});
    }
    Result<int> authenticate(const QString&, const QString&, bool) override {
        if (refused)
            return Result<int>::failure({.kind = Error::Kind::Login, .detail = QStringLiteral("no server")});
        return 0;
    }
    qint64 size(int) const override { return 0; }
    bool isTooLarge(int) const override { return false; }
    Result<QByteArray> fetchRaw(int) override { return QByteArray(); }
    Status remove(int) override { return {}; }
    void close() override {}

  private:
    std::shared_ptr<QSemaphore> gate_;
};

} // namespace

TEST_F(StartUpTest, waitCursorShowsOverTheMainWindowOnlyWhileTheCheckRuns) {
    writeCompleteFiles();
    start();
    auto gate = std::make_shared<QSemaphore>();
    ReceiveAction receive(context, *windows, *form, [gate](const ConnectionQuestion&, const AccountProfile&) {
        return std::make_unique<GatedMailbox>(gate);
    });
    form->onReceive = [&] { receive.run(); };
    const Qt::CursorShape statusBoxPointer = form->Text1->cursor().shape();
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    ASSERT_TRUE(receive.isRunning());
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(form->Label[2]->cursor().shape(), Qt::WaitCursor) << "also over the menu labels";
    EXPECT_EQ(form->Text1->cursor().shape(), Qt::WaitCursor) << "and over the status box";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the other windows keep their pointer";
    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive.isRunning(); }, 10000));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール無し。"));
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(form->Label[2]->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(form->Text1->cursor().shape(), statusBoxPointer);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(StartUpTest, addressBookLabelOpensOneModelessAddressBook) {
    writeCompleteFiles();
    start();
    ASSERT_TRUE(
        AddressBook(context.paths).registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com")).ok());
    QTest::mouseClick(form->Label[5], Qt::LeftButton);
    FriendForm* book = windows->addressBookWindow();
    ASSERT_NE(book, nullptr);
    EXPECT_TRUE(book->isVisible());
    EXPECT_FALSE(book->isModal());
    EXPECT_EQ(book->MailListView->topLevelItemCount(), 1);
    book->Text4->setText(QStringLiteral("typed"));
    form->Label5_Click();
    EXPECT_EQ(windows->addressBookWindow(), book) << "brought forward, not made again";
    EXPECT_EQ(book->Text4->text(), QStringLiteral("typed"));
}

TEST_F(StartUpTest, registerSenderPutsThePartyIntoTheAddressBox) {
    writeCompleteFiles();
    start();
    const MailFile received = MailFile::received(context.paths);
    ASSERT_TRUE(
        received
            .append({QStringLiteral("hello"), QStringLiteral("Mon, 7 Dec 2026"), MailRecord::kTextKind,
                     QStringLiteral("Sato <sato@example.com>"), QStringLiteral("body"), 1})
            .ok());
    windows->openHistory(HistoryMode::Received);
    TyakuForm* history = windows->historyWindow();
    history->MailListView->setCurrentIndex(history->MailListView->model()->index(0, 0));
    history->MailListView_Click();
    history->Command4_Click();
    FriendForm* book = windows->addressBookWindow();
    ASSERT_NE(book, nullptr);
    EXPECT_TRUE(book->isVisible());
    EXPECT_EQ(book->Text4->text(), QStringLiteral("Sato <sato@example.com>"));
    EXPECT_TRUE(book->Text2->text().isEmpty()) << "nothing is registered until 登録";
    EXPECT_EQ(*AddressBook(context.paths).file().CountAddressRecords(), 0);
    history->Command4_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("データが選択されていません"));
}

TEST_F(StartUpTest, checkReportsReachTheWindowsAndTheSettingsOfThisRun) {
    writeCompleteFiles();
    start();
    context.settings.AccountId.clear();
    auto gate = std::make_shared<QSemaphore>(1);
    ReceiveAction receive(context, *windows, *form, [gate](const ConnectionQuestion&, const AccountProfile&) {
        auto mailbox = std::make_unique<GatedMailbox>(gate);
        mailbox->refused = true;
        return mailbox;
    });
    receive.run();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive.isRunning(); }, 10000));
    EXPECT_EQ(context.settings.AccountId, QStringLiteral("taro"));
    EXPECT_EQ(context.settings.AccountPassword, QStringLiteral("pw"));
    EXPECT_EQ(windows->accountWindow()->IdText->text(), QStringLiteral("taro"));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown[0].text.contains(QStringLiteral("no server"))) << "the server's own words";
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("エラー"));
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール無し。"));
}

TEST(SingleInstance, secondCopyOnTheSameFolderIsRefused) {
    TempFolder folder;
    const SingleInstance first(folder.path());
    ASSERT_TRUE(first.acquired());
    const SingleInstance second(folder.path());
    EXPECT_FALSE(second.acquired());
    TempFolder other;
    EXPECT_TRUE(SingleInstance(other.path()).acquired()) << "another application folder may run its own copy";
}
