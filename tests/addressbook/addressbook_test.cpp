#include <QFileInfo>
#include <gtest/gtest.h>

#include "addressbook/addressbook.h"
#include "addressbook/addressbox.h"
#include "tests/support/tempfolder.h"

namespace {

class AddressBookTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    AddressBook book{paths};

    void SetUp() override { ASSERT_TRUE(paths.ensureLayout().ok()); }
    void add(const QString& name, const QString& address) {
        ASSERT_TRUE(book.registerEntry(name, address).ok());
    }
    static std::function<bool(const AddressEntry&)> answer(bool yes, QList<AddressEntry>* asked) {
        return [=](const AddressEntry& e) {
            asked->append(e);
            return yes;
        };
    }
};

} // namespace

TEST_F(AddressBookTest, rowsKeepTheFieldsTrailingSpacesAndEntriesTrimThem) {
    add(QStringLiteral("山田"), QStringLiteral("  yamada@example.com"));
    const auto rows = book.rows();
    ASSERT_TRUE(rows.ok());
    ASSERT_EQ(rows->size(), 1);
    EXPECT_TRUE(rows->at(0).name.startsWith(QStringLiteral("山田  ")));
    EXPECT_TRUE(rows->at(0).address.startsWith(QStringLiteral("  yamada@example.com ")));
    const auto entries = book.entries();
    ASSERT_TRUE(entries.ok());
    EXPECT_EQ(entries->at(0), (AddressEntry{QStringLiteral("山田"), QStringLiteral("yamada@example.com")}));
}

TEST_F(AddressBookTest, listingCreatesTheMissingFileEmpty) {
    ASSERT_TRUE(book.rows().ok());
    EXPECT_TRUE(QFileInfo::exists(paths.addressFile()));
    EXPECT_EQ(QFileInfo(paths.addressFile()).size(), 0);
}

TEST_F(AddressBookTest, registeringAnswersTheNewRecordNumberWithoutChecking) {
    EXPECT_EQ(*book.registerEntry(QString(), QString()), 1);
    EXPECT_EQ(*book.registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com")), 2);
    EXPECT_EQ(*book.registerEntry(QStringLiteral("a"), QStringLiteral("a@example.com")), 3);
    EXPECT_EQ(book.entryAt(1)->address, QString());
    EXPECT_EQ(book.entryAt(3)->name, QStringLiteral("a"));
}

TEST_F(AddressBookTest, aRowPastTheFileReadsNothingAndSaysSo) {
    add(QStringLiteral("a"), QStringLiteral("a@example.com"));
    const auto entry = book.entryAt(2);
    ASSERT_FALSE(entry.ok());
    EXPECT_EQ(entry.error().kind, Error::Kind::AddressNotInFile);
    QList<AddressEntry> asked;
    const auto outcome = book.deleteAfterAsking(2, answer(true, &asked));
    EXPECT_EQ(outcome.kind, AddressBook::DeleteOutcome::Kind::Failed);
    EXPECT_EQ(outcome.error, entry.error());
    EXPECT_TRUE(asked.isEmpty()) << "nothing to ask about";
    EXPECT_EQ(QFileInfo(paths.addressFile()).size(), AddressRecord::kSize);
}

TEST_F(AddressBookTest, deleteAsksWithTheRecordAndRemovesItOnlyOnYes) {
    for (const char* n : {"one", "two", "three"})
        add(QString::fromLatin1(n), QString::fromLatin1(n) + QStringLiteral("@example.com"));
    const QByteArray before = ReadBytes(paths.addressFile());
    QList<AddressEntry> asked;
    const auto declined = book.deleteAfterAsking(2, answer(false, &asked));
    EXPECT_EQ(declined.kind, AddressBook::DeleteOutcome::Kind::Declined);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0], (AddressEntry{QStringLiteral("two"), QStringLiteral("two@example.com")}));
    EXPECT_EQ(ReadBytes(paths.addressFile()), before);

    const auto deleted = book.deleteAfterAsking(2, answer(true, &asked));
    EXPECT_EQ(deleted.kind, AddressBook::DeleteOutcome::Kind::Deleted);
    EXPECT_EQ(QFileInfo(paths.addressFile()).size(), 2 * AddressRecord::kSize);
    EXPECT_EQ(book.entryAt(2)->name, QStringLiteral("three"));
    EXPECT_FALSE(QFileInfo::exists(paths.dataFolder() + QStringLiteral("/ORXDATA20.TMP")));
}

TEST(AddressBox, businessCardWrapsTheTrimmedAddressAndNests) {
    const auto once = AddressBox::insertBusinessCard(QStringLiteral("営業部"), QStringLiteral(" info "));
    ASSERT_TRUE(once.ok());
    EXPECT_EQ(*once, QStringLiteral("営業部<info>"));
    EXPECT_EQ(*AddressBox::insertBusinessCard(QStringLiteral("営業部"), *once),
              QStringLiteral("営業部<営業部<info>>"));
    EXPECT_EQ(*AddressBox::insertBusinessCard(QStringLiteral("営業部"), QStringLiteral("   ")),
              QStringLiteral("営業部<>"))
        << "spaces pass the empty test";
    EXPECT_EQ(*AddressBox::insertBusinessCard(QStringLiteral(" 名 "), QStringLiteral("a")),
              QStringLiteral(" 名 <a>"))
        << "the card name is used as typed";
}

TEST(AddressBox, emptyBoxesAndTooLongResultsAreRefused) {
    EXPECT_EQ(AddressBox::insertBusinessCard(QStringLiteral("営業部"), QString()).error().kind,
              Error::Kind::NoAddressTyped);
    EXPECT_EQ(AddressBox::insertBusinessCard(QString(), QStringLiteral("info")).error().kind,
              Error::Kind::NoCardName);
    const QString address87 = QString(81, u'a') + QStringLiteral("@x.com");
    EXPECT_TRUE(AddressBox::insertBusinessCard(QStringLiteral("a"), address87).ok()) << "exactly 90";
    const auto tooLong = AddressBox::insertBusinessCard(QStringLiteral("ab"), address87);
    ASSERT_FALSE(tooLong.ok());
    EXPECT_EQ(tooLong.error(), (Error{.kind = Error::Kind::AddressTooLong, .number = 90, .count = 91}));
    EXPECT_TRUE(AddressBox::fill(QString(90, u'x')).ok());
    EXPECT_FALSE(AddressBox::fill(QString(91, u'x')).ok());
}
