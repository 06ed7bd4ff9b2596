#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "addressbook/friendform.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"

namespace {

class FriendFormTest : public testing::Test, protected AppFolder {
  protected:
    std::unique_ptr<FriendForm> form;

    void open() { form = std::make_unique<FriendForm>(context); }
    void registerEntry(const QString& name, const QString& address) {
        form->Text2->setText(name);
        form->Text4->setText(address);
        QTest::mouseClick(form->Command3, Qt::LeftButton);
    }
    void pressRow(int row) {
        QTreeWidgetItem* item = form->MailListView->topLevelItem(row);
        ASSERT_NE(item, nullptr);
        form->MailListView->setCurrentItem(item);
        const QRect r = form->MailListView->visualItemRect(item);
        QTest::mouseClick(form->MailListView->viewport(), Qt::LeftButton, {}, r.center());
    }
    int rows() const { return form->MailListView->topLevelItemCount(); }
    QString cell(int row, int column) const { return form->MailListView->topLevelItem(row)->text(column); }
    QByteArray fileBytes() const { return ReadBytes(context.paths.addressFile()); }
};

} // namespace

TEST_F(FriendFormTest, loadsTheRecordsOfTheFileIntoTheTwoColumns) {
    open();
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    EXPECT_EQ(form->MailListView->headerItem()->text(0), QStringLiteral("Address"));
    EXPECT_EQ(form->MailListView->headerItem()->text(1), QStringLiteral("Name"));
    const int w = form->MailListView->width();
    EXPECT_EQ(form->MailListView->columnWidth(0), w / 2);
    EXPECT_EQ(form->MailListView->columnWidth(1), w / 3);
    EXPECT_EQ(form->Text4->maxLength(), 60);
    EXPECT_EQ(form->Text2->maxLength(), 30);
    EXPECT_TRUE(form->Text3->isReadOnly());
    EXPECT_EQ(form->Text3->text(), QStringLiteral("0"));
    EXPECT_TRUE(form->Label7->text().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(context.paths.addressFile())) << "loading creates the file";
}

TEST_F(FriendFormTest, registeringBothBoxesEmptyAddsABlankRowAndWritesTheRecordBytes) {
    open();
    registerEntry(QString(), QString());
    ASSERT_EQ(rows(), 1);
    EXPECT_TRUE(cell(0, 0).trimmed().isEmpty());
    EXPECT_TRUE(cell(0, 1).trimmed().isEmpty());
    EXPECT_EQ(form->Text3->text(), QStringLiteral("1"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("\u3000登録が完了しました。"));
    EXPECT_EQ(form->currentRecord(), 1);
    QByteArray expected(90, ' ');
    expected += QByteArray("\r\n\x01\x00", 4);
    expected += QByteArray(90, ' ');
    EXPECT_EQ(fileBytes(), expected);
}

TEST_F(FriendFormTest, theSameEntryTwiceGivesTwoRowsAndBothBoxesKeepTheirText) {
    open();
    registerEntry(QStringLiteral("山田"), QStringLiteral("yamada@example.com"));
    registerEntry(QStringLiteral("山田"), QStringLiteral("yamada@example.com"));
    ASSERT_EQ(rows(), 2);
    EXPECT_EQ(form->Text3->text(), QStringLiteral("2"));
    EXPECT_EQ(form->currentRecord(), 2);
    EXPECT_TRUE(cell(1, 0).startsWith(QStringLiteral("yamada@example.com ")))
        << "the list keeps the fields' padding";
    EXPECT_TRUE(cell(1, 1).startsWith(QStringLiteral("山田")));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("山田"));
    EXPECT_EQ(form->Text4->text(), QStringLiteral("yamada@example.com"));
    const QByteArray bytes = fileBytes();
    ASSERT_EQ(bytes.size(), 2 * 184);
    EXPECT_EQ(bytes.left(184), bytes.mid(184));
    EXPECT_EQ(bytes.left(4), QByteArray("\x8E\x52\x93\x63")); // 山田 in Shift-JIS
    EXPECT_EQ(bytes.mid(94, 18), QByteArray("yamada@example.com"));
}

TEST_F(FriendFormTest, pressingARowLoadsThatRecordTrimmed) {
    for (const char* n : {"one", "two", "three"})
        ASSERT_TRUE(AddressBook(context.paths)
                        .registerEntry(QString::fromLatin1(n), QStringLiteral("  ") + QString::fromLatin1(n) +
                                                                   QStringLiteral("@example.com"))
                        .ok());
    open();
    ASSERT_EQ(rows(), 3);
    pressRow(2);
    EXPECT_EQ(form->Text2->text(), QStringLiteral("three"));
    EXPECT_EQ(form->Text4->text(), QStringLiteral("three@example.com"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("\u3000選択しました。"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(FriendFormTest, aListOutOfStepWithTheFileReadsNothingAndSaysSo) {
    AddressBook book(context.paths);
    ASSERT_TRUE(book.registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com")).ok());
    ASSERT_TRUE(book.registerEntry(QStringLiteral("b"), QStringLiteral("b@example.com")).ok());
    open();
    WriteBytes(context.paths.addressFile(), fileBytes().left(184)); // another program shortened it
    form->Text2->setText(QStringLiteral("kept"));
    pressRow(1);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("選択された行のデータがアドレス帳のファイルにありません。一覧を読み直します。"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("kept"));
    EXPECT_EQ(rows(), 1) << "the list is read again";
    EXPECT_EQ(form->Text3->text(), QStringLiteral("1"));
}

TEST_F(FriendFormTest, deleteAnsweredYesOnTheLastRowEmptiesTheListButNotTheBoxes) {
    open();
    registerEntry(QStringLiteral("鈴木"), QStringLiteral("suzuki@example.com"));
    form->Text2->clear();
    pressRow(0);
    QTest::mouseClick(form->Command4, Qt::LeftButton);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("選択された（行、青色）データを削除します。よろしいですか"));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Question);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(form->Text3->text(), QStringLiteral("0"));
    EXPECT_EQ(form->Text2->text(), QStringLiteral("鈴木"));
    EXPECT_EQ(form->Text4->text(), QStringLiteral("suzuki@example.com"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("削除が完了しました"));
    EXPECT_EQ(fileBytes().size(), 0);
    EXPECT_FALSE(QFileInfo::exists(context.paths.dataFolder() + QStringLiteral("/ORXDATA20.TMP")));
}

TEST_F(FriendFormTest, deleteAnsweredNoLeavesTheFileByteForByte) {
    open();
    registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com"));
    registerEntry(QStringLiteral("b"), QStringLiteral("b@example.com"));
    const QByteArray before = fileBytes();
    pressRow(0);
    prompter.answers = {Prompter::Answer::No};
    form->Command4_Click();
    EXPECT_EQ(fileBytes(), before);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(form->Label7->text(), QStringLiteral(" "));
    EXPECT_EQ(form->currentRecord(), 1);
}

TEST_F(FriendFormTest, deleteWithAnEmptyAddressBoxOrNoRowIsRefused) {
    open();
    registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com"));
    form->Command4_Click();
    ASSERT_EQ(prompter.shown.size(), 1) << "no row selected";
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("データが選択されていません"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
    pressRow(0);
    form->Text4->clear();
    form->Command4_Click();
    ASSERT_EQ(prompter.shown.size(), 2) << "a highlighted row does not help";
    EXPECT_EQ(prompter.shown[1].text, QStringLiteral("データが選択されていません"));
    EXPECT_EQ(rows(), 1);
}

TEST_F(FriendFormTest, businessCardNestsAndRefusesWhatDoesNotFit) {
    open();
    form->Text4->setText(QStringLiteral(" info "));
    form->Text50->setText(QStringLiteral("営業部"));
    QTest::mouseClick(form->Command38, Qt::LeftButton);
    EXPECT_EQ(form->Text4->text(), QStringLiteral("営業部<info>"));
    form->Command38_Click();
    EXPECT_EQ(form->Text4->text(), QStringLiteral("営業部<営業部<info>>"));
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_EQ(fileBytes().size(), 0) << "nothing is stored until 登録";

    form->presetAddress(QString(85, u'a'));
    form->Command38_Click();
    EXPECT_EQ(form->Text4->text(), QStringLiteral("営業部<") + QString(85, u'a') + u'>') << "exactly 90 fits";
    form->presetAddress(QString(86, u'a'));
    form->Command38_Click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("メールアドレス欄には90文字までしか入りません（91文字あります）。"));
    EXPECT_EQ(form->Text4->text(), QString(86, u'a')) << "refused, not cut";

    form->Text4->clear();
    form->Command38_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("メールアドレスが入力されていません"));
    form->Text4->setText(QStringLiteral("x"));
    form->Text50->clear();
    form->Command38_Click();
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("名詞が入力されていません"));
}

TEST_F(FriendFormTest, pasteReplacesTheAddressBox) {
    open();
    form->Text4->setText(QStringLiteral("old"));
    QApplication::clipboard()->setText(QStringLiteral("new@example.com"));
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    EXPECT_EQ(form->Text4->text(), QStringLiteral("new@example.com"));
    QApplication::clipboard()->clear();
    form->Command1_Click();
    EXPECT_EQ(form->Text4->text(), QString());
}

TEST_F(FriendFormTest, presetAddressOfTheHistoryWindowFillsTheBox) {
    open();
    form->presetAddress(QStringLiteral("Sato <sato@example.com>"));
    EXPECT_EQ(form->Text4->text(), QStringLiteral("Sato <sato@example.com>"));
    form->presetAddress(QString(91, u'x'));
    EXPECT_EQ(form->Text4->text(), QStringLiteral("Sato <sato@example.com>"));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("メールアドレス欄には90文字までしか入りません（91文字あります）。"));
}

TEST_F(FriendFormTest, textsTheProgramPutsInAreShownAndStoredWholeWhileTypingStopsAtTheLimit) {
    const QString address90 = QString(78, u'a') + QStringLiteral("@example.com");
    const QString address75 = address90.right(75);
    const QString name45 = QString(45, QChar(u'山')); // the name field's 90 bytes
    const struct {
        const char* name;
        std::function<void()> act;
        QString name2, address4; // what Text2 and Text4 then hold
    } cases[] = {
        {"register-sender action brings a 90-character address", [&] { form->presetAddress(address90); },
         QString(), address90},
        {"row whose stored name and address fill their fields",
         [&] {
             ASSERT_TRUE(AddressBook(context.paths).registerEntry(name45, address90).ok());
             form->Command2_Click();
             pressRow(rows() - 1);
         },
         name45, address90},
        {"typing into the empty boxes",
         [&] {
             QTest::keyClicks(form->Text2, QString(35, u'n'));
             QTest::keyClicks(form->Text4, QString(65, u't'));
         },
         QString(30, u'n'), QString(60, u't')},
        {"typing after the register-sender action's long address",
         [&] {
             form->presetAddress(address75);
             QTest::keyClicks(form->Text4, QStringLiteral("zz"));
         },
         QString(), address75},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        prompter.shown.clear();
        c.act();
        EXPECT_EQ(form->Text2->text(), c.name2);
        EXPECT_EQ(form->Text4->text(), c.address4);
        EXPECT_TRUE(prompter.shown.isEmpty());
        QTest::mouseClick(form->Command3, Qt::LeftButton);
        const Result<AddressEntry> stored = AddressBook(context.paths).entryAt(rows());
        ASSERT_TRUE(stored.ok());
        EXPECT_EQ(stored->name, c.name2);
        EXPECT_EQ(stored->address, c.address4);
    }
}

TEST_F(FriendFormTest, exportAndImportFromTheListMenu) {
    open();
    registerEntry(QStringLiteral("山田"), QStringLiteral("yamada@example.com"));
    const QString out = app.file(QStringLiteral("book.vcf"));
    prompter.fileAnswers = {out};
    form->ExportVCard();
    EXPECT_TRUE(ReadBytes(out).contains("EMAIL;TYPE=INTERNET:yamada@example.com\r\n"));
    EXPECT_EQ(form->Label7->text(), QStringLiteral("\u3000vCardに書き出しました。"));

    const QString csv = app.file(QStringLiteral("contacts.csv"));
    WriteBytes(csv, "Name,E-mail Address\r\nAnn,ann@example.org\r\nBob,bob@example.org\r\n");
    prompter.fileAnswers = {csv};
    form->ImportContacts();
    ASSERT_EQ(rows(), 3);
    EXPECT_TRUE(cell(2, 0).startsWith(QStringLiteral("bob@example.org")));
    EXPECT_EQ(form->Text3->text(), QStringLiteral("3"));
    EXPECT_EQ(prompter.shown.last().text, QStringLiteral("2件を登録しました。"));

    prompter.fileAnswers.clear(); // cancelled dialog
    form->ImportContacts();
    EXPECT_EQ(rows(), 3);
}
