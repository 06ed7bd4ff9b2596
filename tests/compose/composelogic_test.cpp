// The compose logic that needs no server: attachment lists, the address
// list, the sent record, the reply body.
#include <QFile>
#include <gtest/gtest.h>

#include "compose/addresslist.h"
#include "compose/attachmentlist.h"
#include "compose/mailsend.h"
#include "compose/replybody.h"
#include "compose/sentrecord.h"
#include "store/mailfile.h"
#include "tests/support/tempfolder.h"

TEST(AttachmentList, pathsJoinWithACommaAndNothingElse) {
    QString list;
    list = AttachmentList::append(list, QStringLiteral("/a/one.txt"));
    EXPECT_EQ(list, QStringLiteral("/a/one.txt"));
    list = AttachmentList::append(list, QStringLiteral("/b/写真.jpg"));
    EXPECT_EQ(list, QStringLiteral("/a/one.txt,/b/写真.jpg"));
    EXPECT_EQ(AttachmentList::paths(list),
              QStringList({QStringLiteral("/a/one.txt"), QStringLiteral("/b/写真.jpg")}));
    EXPECT_EQ(AttachmentList::paths(QStringLiteral(" /a/x , ,/b/y,")),
              QStringList({QStringLiteral("/a/x"), QStringLiteral("/b/y")}));
    EXPECT_TRUE(AttachmentList::paths(QString()).isEmpty());
}

TEST(AttachmentList, aPathThatIsNoReadableFileIsNamed) {
    TempFolder dir;
    const QString present = dir.file(QStringLiteral("ok.txt"));
    WriteBytes(present, "x");
    EXPECT_TRUE(AttachmentList::checkReadable(QString()).ok());
    EXPECT_TRUE(AttachmentList::checkReadable(present).ok());

    const QString gone = dir.file(QStringLiteral("消えた.pdf"));
    const Status missing = AttachmentList::checkReadable(present + u',' + gone);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().kind, Error::Kind::AttachmentUnreadable);
    EXPECT_EQ(missing.error().name, gone);

    EXPECT_FALSE(AttachmentList::checkReadable(dir.path()).ok()) << "a folder is no file";
    const QString locked = dir.file(QStringLiteral("locked.txt"));
    WriteBytes(locked, "x");
    QFile::setPermissions(locked, QFileDevice::WriteOwner);
    if (!QFile(locked).open(QIODevice::ReadOnly)) { // root reads everything
        EXPECT_FALSE(AttachmentList::checkReadable(locked).ok());
    }
}

TEST(AddressList, startupFileIsCreatedEmptyAndTheBookIsReadInRecordOrder) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    const auto startup = AddressList::fromStartupFile(paths);
    ASSERT_TRUE(startup.ok()) << startup.error();
    EXPECT_TRUE(startup->names.isEmpty());
    EXPECT_TRUE(QFile::exists(app.path() + QStringLiteral("/★MAilData/ORXASTER20.INI")));
    EXPECT_EQ(QFile(app.path() + QStringLiteral("/★MAilData/ORXASTER20.INI")).size(), 0);

    const AddressFile book = AddressFile::book(paths);
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("山田"), QStringLiteral("a@x.jp")).ok());
    ASSERT_TRUE(book.AppendAddressRecord(QStringLiteral("鈴木"), QStringLiteral("  営業部<b@x.jp>  ")).ok());
    const auto list = AddressList::fromAddressBook(paths);
    ASSERT_TRUE(list.ok());
    ASSERT_EQ(list->names.size(), 2);
    EXPECT_TRUE(list->names[0].startsWith(QStringLiteral("山田")));
    EXPECT_TRUE(list->names[1].startsWith(QStringLiteral("鈴木")));
    EXPECT_EQ(list->recordNumbers, QList<int>({1, 2}));
    EXPECT_EQ(AddressList::pickedAddress(paths, 2).value(), QStringLiteral("営業部<b@x.jp>"));
    EXPECT_FALSE(AddressList::pickedAddress(paths, 3).ok());
}

TEST(AddressList, pickedAddressIsCutToSixtyCharactersBeforeTrimming) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    const QString longAddress = QStringLiteral("   ") + QString(70, u'a') + QStringLiteral("@x.jp");
    ASSERT_TRUE(AddressFile::book(paths).AppendAddressRecord(QStringLiteral("n"), longAddress).ok());
    EXPECT_EQ(AddressList::pickedAddress(paths, 1).value(), QString(57, u'a'));
}

TEST(SentRecord, fieldsAreTrimmedExceptTheDateAndKindFollowsTheMarker) {
    const MailRecord text = SentRecord(QStringLiteral("  件名 "), QStringLiteral(" 2026/12/07  10:00:00 "),
                                       QStringLiteral("  a@x.jp  "), QStringLiteral(" 本文\u3000 "));
    EXPECT_EQ(text.subject, QStringLiteral("件名"));
    EXPECT_EQ(text.date, QStringLiteral(" 2026/12/07  10:00:00 "));
    EXPECT_EQ(text.kind, QStringLiteral("○TEXT形式"));
    EXPECT_EQ(text.party, QStringLiteral("a@x.jp"));
    EXPECT_EQ(text.body, QStringLiteral("本文\u3000"));
    EXPECT_EQ(text.live, 1);
    EXPECT_EQ(SentRecord({}, {}, {}, QStringLiteral("前置き HTML送信QFM5270XBNWRD4618")).kind,
              QStringLiteral("●HTML形式"));
    EXPECT_EQ(SentRecord({}, {}, {}, QStringLiteral("html送信QFM5270XBNWRD4618")).kind,
              QStringLiteral("○TEXT形式"));
}

TEST(MailSend, sendToAllWithAnEmptyListSendsNothingAndIsDone) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    ASSERT_TRUE(
        AddressFile::book(paths).AppendAddressRecord(QStringLiteral("n"), QStringLiteral("a@x.jp")).ok());
    SendRequest request;
    request.sendToAll = true;
    request.listEntries = 0;
    request.smtpServer = QStringLiteral("127.0.0.1:1"); // never asked
    const SendReport report = MailSend(paths).run(request);
    EXPECT_TRUE(report.passes.isEmpty());
    EXPECT_TRUE(report.allSent());
    EXPECT_FALSE(report.stoppedShort());
    EXPECT_EQ(MailFile::sent(paths).count().value(), 0);
}

TEST(ReplyBody, clipboardThenThreeEmptyLinesThenTheAnsweredText) {
    const QString breaks = QStringLiteral("\r\n\r\n\r\n\r");
    EXPECT_EQ(ReplyBody::pasted(QString(), QStringLiteral("  本文  ")), breaks + QStringLiteral("本文"))
        << "an empty clipboard leaves the line breaks first";
    EXPECT_EQ(ReplyBody::pasted(QStringLiteral("  了解です。 "), QStringLiteral("本文")),
              QStringLiteral("了解です。 ") + breaks + QStringLiteral("本文"))
        << "only the ends of the whole are trimmed";
    EXPECT_EQ(ReplyBody::pasted(QStringLiteral("\t了解"), QString()), QStringLiteral("\t了解") + breaks)
        << "tabs and line breaks are not spaces";
}
