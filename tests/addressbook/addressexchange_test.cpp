#include <QFileInfo>
#include <gtest/gtest.h>

#include "addressbook/addressexchange.h"
#include "addressbook/contactscsv.h"
#include "addressbook/vcard.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

AddressEntry entry(const char* name, const char* address) {
    return {QString::fromUtf8(name), QString::fromUtf8(address)};
}

// One row of the table-driven format tests: a file shaped like a real export.
struct ExportCase {
    const char* name;
    QByteArray file;
    QList<AddressEntry> expected;
};

class AddressExchangeTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    AddressBook book{paths};
    void SetUp() override { ASSERT_TRUE(paths.ensureLayout().ok()); }
};

} // namespace

TEST(VCard, writesOneVersion3CardPerEntryInUtf8) {
    const QByteArray out =
        VCard::write({entry("山田 太郎", "営業部<yamada@example.com>"), entry("", "a;b@example.com")});
    EXPECT_EQ(out, QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\n"
                              "FN:\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E\r\n"
                              "N:\xE5\xB1\xB1\xE7\x94\xB0 \xE5\xA4\xAA\xE9\x83\x8E;;;;\r\n"
                              "EMAIL;TYPE=INTERNET:yamada@example.com\r\n"
                              "END:VCARD\r\n"
                              "BEGIN:VCARD\r\nVERSION:3.0\r\n"
                              "FN:a\\;b@example.com\r\n"
                              "N:a\\;b@example.com;;;;\r\n"
                              "EMAIL;TYPE=INTERNET:a\\;b@example.com\r\n"
                              "END:VCARD\r\n"));
}

TEST(VCard, readsTheShapesRealExportsTake) {
    const QList<ExportCase> cases = {
        {"google-contacts-3.0-with-folded-line-and-escapes",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Sato\\, Hanako\r\nN:Sato;Hanako;;;\r\n"
         "EMAIL;TYPE=INTERNET;TYPE=HOME:hanako.sato@exa\r\n mple.com\r\nEND:VCARD\r\n",
         {entry("Sato, Hanako", "hanako.sato@example.com")}},
        {"apple-grouped-email-preferred-second",
         "BEGIN:VCARD\nVERSION:3.0\nN:鈴木;一郎;;;\nitem1.EMAIL;type=INTERNET;type=WORK:work@example.com\n"
         "item2.EMAIL;type=INTERNET;type=HOME;type=pref:home@example.com\nEND:VCARD\n",
         {entry("鈴木 一郎", "home@example.com")}},
        {"vcard-4.0-from-thunderbird",
         "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Taro\r\nEMAIL;PREF=1:taro@example.org\r\nEND:VCARD\r\n",
         {entry("Taro", "taro@example.org")}},
        {"japanese-phone-2.1-shift-jis-quoted-printable",
         "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8ER=93c;=91=BE=\r\n="
         "98Y\r\n"
         "EMAIL;INTERNET:taro@example.ne.jp\r\nEND:VCARD\r\n",
         {entry("山田 太郎", "taro@example.ne.jp")}},
        {"card-without-email-is-skipped",
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:No Mail\r\nTEL:0312345678\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Mail\r\nEMAIL:m@example.com\r\nEND:VCARD\r\n",
         {entry("Mail", "m@example.com")}},
    };
    for (const ExportCase& c : cases)
        EXPECT_EQ(VCard::read(c.file), c.expected) << c.name;
}

TEST(ContactsCsv, readsTheColumnsTheBigClientsName) {
    const QList<ExportCase> cases = {
        {"outlook-japanese-shift-jis",
         ShiftJis::encode(QStringLiteral("\"敬称\",\"名\",\"ミドル ネーム\",\"姓\",\"会社名\",\"電子メール "
                                         "アドレス\",\"電子メールの種類\","
                                         "\"電子メール表示名\"\r\n"
                                         "\"\",\"太郎\",\"\",\"山田\",\"㈱サンプル\",\"taro@example.co.jp\","
                                         "\"SMTP\",\"山田 太郎 (taro@example.co.jp)\"\r\n"
                                         "\"\",\"次郎\",\"\",\"\",\"\",\"\",\"\",\"\"\r\n")),
         {entry("山田 太郎", "taro@example.co.jp")}},
        {"gmail-utf8-bom-new-format",
         QByteArray("\xEF\xBB\xBF") +
             QStringLiteral(
                 "First Name,Middle Name,Last Name,Nickname,E-mail 1 - Label,E-mail 1 - Value,Notes\n"
                 "Hanako,,Sato,,* Home,hanako@example.com,\"line one\nline, two\"\n"
                 "花子,,佐藤,,,sato@example.jp,\n")
                 .toUtf8(),
         {entry("Hanako Sato", "hanako@example.com"), entry("佐藤 花子", "sato@example.jp")}},
        {"google-old-format-name-column",
         QByteArray("Name,Given Name,Family Name,E-mail 1 - Type,E-mail 1 - Value\r\n"
                    "\"Doe, \"\"JD\"\" John\",John,Doe,* Other,jd@example.com\r\n"),
         {entry("Doe, \"JD\" John", "jd@example.com")}},
        {"thunderbird-english",
         QByteArray("First Name,Last Name,Display Name,Nickname,Primary Email,Secondary Email\n"
                    "Ann,Lee,Ann Lee,,ann@example.org,ann2@example.org\n"),
         {entry("Ann Lee", "ann@example.org")}},
        {"thunderbird-japanese-utf8",
         QStringLiteral(
             "名,姓,表示名,ニックネーム,メールアドレス,第 2 メールアドレス\n一郎,鈴木,,,ichiro@example.jp,\n")
             .toUtf8(),
         {entry("鈴木 一郎", "ichiro@example.jp")}},
    };
    for (const ExportCase& c : cases) {
        const auto read = ContactsCsv::read(c.file);
        ASSERT_TRUE(read.ok()) << c.name << ": " << read.error();
        EXPECT_EQ(*read, c.expected) << c.name;
    }
}

TEST(ContactsCsv, aHeaderWithoutAnAddressColumnIsRefused) {
    const auto read = ContactsCsv::read(QByteArray("Name,Phone\nA,1\n"));
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().kind, Error::Kind::CsvWithoutAddress);
}

TEST_F(AddressExchangeTest, importAppendsAfterTheExistingRecordsAndCutsLongNamesOnACharacter) {
    ASSERT_TRUE(book.registerEntry(QStringLiteral("old"), QStringLiteral("old@example.com")).ok());
    const QString longName = u'a' + QString(50, QChar(u'山')); // 101 bytes
    const QString file = app.file(QStringLiteral("contacts.vcf"));
    WriteBytes(file, VCard::write({{longName, QStringLiteral("long@example.com")},
                                   {QStringLiteral("x"), QString(91, u'b')},
                                   {QStringLiteral("y"), QString(46, QChar(u'山'))}, // 92 bytes
                                   {QStringLiteral("z"), QString(90, u'c')}}));
    const auto imported = AddressExchange::importFile(book, file);
    ASSERT_TRUE(imported.ok()) << imported.error();
    EXPECT_EQ(imported->added, 2);
    EXPECT_EQ(imported->skipped, 2) << "91 characters, and 46 full-width characters (92 bytes)";
    const QByteArray bytes = ReadBytes(paths.addressFile());
    ASSERT_EQ(bytes.size(), 3 * 184);
    const QByteArray name = bytes.mid(184, 90);
    EXPECT_EQ(name.left(3), QByteArray("a\x8E\x52"));
    EXPECT_EQ(name.mid(1, 88), ShiftJis::encode(QString(44, QChar(u'山'))));
    EXPECT_EQ(name.at(89), ' ') << "the half of the 45th character is not kept";
    EXPECT_EQ(bytes.mid(184 + 94, 16), QByteArray("long@example.com"));
}

TEST_F(AddressExchangeTest, exportThenImportGivesTheSameEntries) {
    ASSERT_TRUE(book.registerEntry(QStringLiteral("山田 太郎"), QStringLiteral("taro@example.com")).ok());
    ASSERT_TRUE(book.registerEntry(QStringLiteral("Ann, Lee"), QStringLiteral("ann@example.org")).ok());
    const QString file = app.file(QStringLiteral("out.vcf"));
    ASSERT_TRUE(AddressExchange::exportFile(book, file).ok());
    EXPECT_TRUE(ReadBytes(file).startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:"));
    EXPECT_EQ(VCard::read(ReadBytes(file)), *book.entries());
}

TEST_F(AddressExchangeTest, aMissingFileOrUnreadableCsvAddsNothing) {
    EXPECT_FALSE(AddressExchange::importFile(book, app.file(QStringLiteral("none.csv"))).ok());
    const QString csv = app.file(QStringLiteral("bad.csv"));
    WriteBytes(csv, "Name,Phone\r\nA,1\r\n");
    EXPECT_FALSE(AddressExchange::importFile(book, csv).ok());
    EXPECT_EQ(*book.file().CountAddressRecords(), 0);
}
