// The receive label against the real Dovecot of the test run: the main
// window stays live while a check of 1000 messages runs.
#include <QLabel>
#include <QLineEdit>
#include <QSemaphore>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/receiveaction.h"
#include "history/tyakuform.h"
#include "store/mailfile.h"
#include "tests/support/appfolder.h"
#include "tests/support/heldsession.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/pop3session.h"

namespace {

class ReceiveWindowTest : public testing::Test, protected AppFolder {
  protected:
    TestAccount account;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        context.settings.servers.Pop3Server = TestMailServers::pop3Server();
        WriteBytes(context.paths.accountFile(), account.accountFileBytes());
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
        form->show();
    }
};

} // namespace

TEST_F(ReceiveWindowTest, clockTicksAndASecondPressDoesNothingWhileAThousandMessagesArrive) {
    for (int i = 1; i <= 1000; ++i)
        TestMailServers::deliver(account, QByteArray("Subject: m") + QByteArray::number(i) + "\r\n\r\nbody " +
                                              QByteArray::number(i) + "\r\n");
    auto gate = std::make_shared<QSemaphore>();
    std::atomic<int> checksStarted = 0;
    ReceiveAction receive(context, *windows, *form, [&](const ConnectionQuestion&, const AccountProfile&) {
        ++checksStarted;
        return std::make_unique<HeldSession>(gate, 500);
    });
    form->onReceive = [&] { receive.run(); };
    struct OpenGate {
        std::shared_ptr<QSemaphore> gate;
        ~OpenGate() { gate->release(); }
    } openAtTheEnd{gate};

    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    ASSERT_TRUE(receive.isRunning()) << "the press returned while the check runs";
    const QString clock = form->Text2->text();
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Text2->text() != clock; }, 3000));
    ASSERT_TRUE(receive.isRunning());
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    EXPECT_EQ(form->cursor().shape(), Qt::WaitCursor);

    gate->release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive.isRunning(); }, 120000));
    EXPECT_EQ(checksStarted, 1) << "the second press started nothing";
    EXPECT_EQ(form->Text1->text(), QStringLiteral("新着メール有り。"));
    EXPECT_EQ(MailFile::received(context.paths).count().value(), 1000);
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(ReceiveWindowTest, aMailTheProviderFoundForgedShowsTheRedBandInTheHistory) {
    TestMailServers::deliver(
        account, "Authentication-Results: mx.provider.example; spf=fail "
                 "smtp.mailfrom=bank.example; dkim=none; dmarc=fail header.from=bank.example\r\n"
                 "Authentication-Results: mx.forger.example; dmarc=pass header.from=bank.example\r\n"
                 "From: =?UTF-8?B?6YqA6KGM?= <info@bank.example>\r\n"
                 "Subject: =?UTF-8?B?44GU5Yip55So56K66KqN?=\r\n"
                 "\r\n"
                 "Please sign in.\r\n");
    ReceiveAction receive(context, *windows, *form, [](const ConnectionQuestion&, const AccountProfile&) {
        return std::make_unique<Pop3Session>(Pop3Session::Options{}, TestMailServers::trust());
    });
    form->onReceive = [&] { receive.run(); };
    QTest::mouseClick(form->Label[2], Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !receive.isRunning(); }, 30000));
    ASSERT_EQ(MailFile::received(context.paths).count().value(), 1);

    form->Label3_Click();
    TyakuForm* history = windows->historyWindow();
    const QModelIndex row = history->MailListView->model()->index(0, 0);
    history->MailListView->setCurrentIndex(row);
    QTest::mouseClick(history->MailListView->viewport(), Qt::LeftButton, {},
                      history->MailListView->visualRect(row).center());
    EXPECT_TRUE(history->VerdictBand->isVisible());
    EXPECT_EQ(
        history->VerdictBand->text(),
        QStringLiteral(
            "差出人のドメイン bank.example の認証に失敗しました。本物の送信者ではない可能性があります。"));
    EXPECT_TRUE(history->VerdictBand->styleSheet().contains(QStringLiteral("#c00000")));
    // The picture in docs/ comes from here.
    if (const QString shots = qEnvironmentVariable("FENNICK_SHOTS"); !shots.isEmpty())
        history->grab().save(shots + QStringLiteral("/verdict-band.png"));
}
