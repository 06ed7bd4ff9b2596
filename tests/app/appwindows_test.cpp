#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTreeView>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "addressbook/friendform.h"
#include "app/appwindows.h"
#include "app/mainform.h"
#include "history/tyakuform.h"
#include "store/mailfile.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "ui/appcontext.h"

namespace {

class AppWindowsTest : public testing::Test {
  protected:
    TempFolder app;
    ScriptedPrompter prompter;
    AppContext context{AppPaths(app.path()), app.path()};
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> form;

    void SetUp() override {
        context.prompter = &prompter;
        ASSERT_TRUE(context.paths.ensureLayout().ok());
        windows = std::make_unique<AppWindows>(context);
        form = std::make_unique<MainForm>(context, *windows);
    }
};

} // namespace

TEST_F(AppWindowsTest, addressBookLabelOpensOneModelessAddressBook) {
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

TEST_F(AppWindowsTest, registerSenderPutsThePartyIntoTheAddressBox) {
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
