#include <QFileInfo>
#include <QTimeZone>
#include <gtest/gtest.h>

#include "mime/iso2022jp.h"
#include "mime/mimedecoder.h"
#include "mime/outgoingmail.h"
#include "mime/recipients.h"
#include "tests/support/tempfolder.h"

namespace {

const QDateTime kNow(QDate(2026, 12, 7), QTime(9, 5, 3), QTimeZone(9 * 3600));

QByteArray header(const QByteArray& message, const QByteArray& name) {
    for (const QByteArray& line : message.left(message.indexOf("\r\n\r\n")).split('\n'))
        if (line.startsWith(name + ": "))
            return line.mid(name.size() + 2).trimmed();
    return {};
}

} // namespace

TEST(Iso2022Jp, encodesJisX0208WithEscapesAndEndsInAscii) {
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("aあb")), QByteArray("a\x1b$B$\"\x1b(Bb"));
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("亜")), QByteArray("\x1b$B0!\x1b(B"));
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("熙")),
              QByteArray("\x1b$Bt&\x1b(B")); // last character of row 84
}

TEST(Iso2022Jp, windowsFormsMapToTheirJisPlaces) {
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("～")), *Iso2022Jp::encode(QStringLiteral("〜")));
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("∥")), QByteArray("\x1b$B!B\x1b(B"));
    EXPECT_EQ(*Iso2022Jp::encode(QStringLiteral("－")), QByteArray("\x1b$B!]\x1b(B"));
}

TEST(Iso2022Jp, charactersOutsideJisX0208AreRefusedNotReplaced) {
    for (const char16_t* s : {u"①", u"㈱", u"髙", u"ｶ", u"😀", u"\u001b"})
        EXPECT_FALSE(Iso2022Jp::encode(QString::fromUtf16(s)).has_value())
            << QString::fromUtf16(s).toStdString();
}

TEST(Recipients, typedFormsGiveBareAddresses) {
    const auto r =
        ParseRecipients(QStringLiteral("山田<yamada@x.jp>, 佐藤 <sato@x.jp>,bare@x.jp,\"A, B\" <ab@x.jp>"));
    ASSERT_EQ(r.size(), 4);
    EXPECT_EQ(r[0].name, QStringLiteral("山田"));
    EXPECT_EQ(r[0].address, QStringLiteral("yamada@x.jp"));
    EXPECT_EQ(r[1].name, QStringLiteral("佐藤"));
    EXPECT_EQ(r[2].name, QString());
    EXPECT_EQ(r[2].address, QStringLiteral("bare@x.jp"));
    EXPECT_EQ(r[3].name, QStringLiteral("A, B"));
    EXPECT_TRUE(ParseRecipients(QStringLiteral(" , ")).isEmpty());
}

TEST(OutgoingMessage, jisTextGoesOutAsIso2022JpSevenBit) {
    const OutgoingMail mail{QStringLiteral("山田 <yamada@x.jp>"),
                            QStringLiteral("me@x.jp"),
                            QStringLiteral("会議の件"),
                            QStringLiteral("本文です。\n二行目"),
                            {}};
    const QByteArray m = *OutgoingMessage::build(mail, kNow);
    EXPECT_EQ(header(m, "Content-Type"), QByteArray("text/plain; charset=ISO-2022-JP"));
    EXPECT_EQ(header(m, "Content-Transfer-Encoding"), QByteArray("7bit"));
    EXPECT_TRUE(header(m, "Subject").startsWith("=?ISO-2022-JP?B?"));
    EXPECT_TRUE(header(m, "To").endsWith(" <yamada@x.jp>"));
    EXPECT_EQ(header(m, "Date"), QByteArray("Mon, 07 Dec 2026 09:05:03 +0900"));
    EXPECT_TRUE(header(m, "Message-ID").endsWith("@x.jp>"));
    for (char c : m)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    EXPECT_FALSE(m.contains("\n\n"));
    EXPECT_FALSE(QByteArray(m).replace("\r\n", "").contains('\n'));
    const ReceivedMessage back = MimeDecoder::decode(m);
    EXPECT_EQ(back.subject, mail.subject);
    EXPECT_EQ(back.body, QStringLiteral("本文です。\r\n二行目"));
}

TEST(OutgoingMessage, textOutsideJisGoesOutAsUtf8WithNothingLost) {
    const QString text = QStringLiteral("①㈱髙〜ｶﾀｶﾅ😀");
    const struct {
        const char* name;
        QString body;
        bool eightBit; // the server takes 8-bit content
        const char* encoding;
    } rows[] = {
        {"seven-bit-server", text, false, "base64"},
        {"eight-bit-server", text + QStringLiteral("\r\n二行目"), true, "8bit"},
        {"eight-bit-server-but-a-line-over-998-bytes", QString(400, QChar(u'①')), true, "base64"},
        {"eight-bit-server-but-a-nul", text + QChar(u'\0'), true, "base64"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const OutgoingMail mail{
            QStringLiteral("a@x.jp"), QStringLiteral("me@x.jp"), QStringLiteral("件名①"), row.body, {}};
        const QByteArray m = *OutgoingMessage::build(mail, kNow, row.eightBit);
        EXPECT_EQ(header(m, "Content-Type"), QByteArray("text/plain; charset=UTF-8"));
        EXPECT_EQ(header(m, "Content-Transfer-Encoding").toStdString(), row.encoding);
        EXPECT_TRUE(header(m, "Subject").startsWith("=?UTF-8?B?"));
        const ReceivedMessage back = MimeDecoder::decode(m);
        EXPECT_EQ(back.subject, QStringLiteral("件名①"));
        EXPECT_EQ(back.body, row.body);
    }
}

TEST(OutgoingMessage, longSubjectIsFoldedIntoShortEncodedWords) {
    const QString subject = QString(80, QChar(u'漢'));
    const QByteArray encoded = OutgoingMessage::encodeHeaderText(subject);
    for (const QByteArray& line : encoded.split('\n'))
        EXPECT_LE(line.trimmed().size(), 76);
    EXPECT_EQ(MimeDecoder::decode("Subject: " + encoded + "\r\n\r\n").subject, subject);
}

TEST(OutgoingMessage, attachmentsTravelInOrderWithTheirJapaneseNames) {
    TempFolder dir;
    const QString picture =
        dir.file(QStringLiteral("夏の写真_とても長い名前のファイルですがちゃんと届くでしょうか.png"));
    const QString page = dir.file(QStringLiteral("index.htm"));
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0binary", 16);
    WriteBytes(picture, png);
    WriteBytes(page, QByteArray("<html><img src=\"x.png\"></html>\n"));
    const OutgoingMail mail{QStringLiteral("a@x.jp"),
                            QStringLiteral("me@x.jp"),
                            QStringLiteral("HTML"),
                            QStringLiteral("HTML送信QFM5270XBNWRD4618"),
                            {picture, page}};
    const QByteArray m = *OutgoingMessage::build(mail, kNow);
    const ReceivedMessage back = MimeDecoder::decode(m);
    EXPECT_EQ(back.body, QStringLiteral("HTML送信QFM5270XBNWRD4618"));
    ASSERT_EQ(back.attachments.size(), 2);
    EXPECT_EQ(back.attachments[0].name, QFileInfo(picture).fileName());
    EXPECT_EQ(back.attachments[0].content, png);
    EXPECT_EQ(back.attachments[1].name, QStringLiteral("index.htm"));
    EXPECT_EQ(back.attachments[1].content, QByteArray("<html><img src=\"x.png\"></html>\n"));
}

TEST(OutgoingMessage, unreadableAttachmentFailsNamingTheFile) {
    const OutgoingMail mail{QStringLiteral("a@x.jp"),
                            QStringLiteral("me@x.jp"),
                            QStringLiteral("s"),
                            QStringLiteral("b"),
                            {QStringLiteral("/no/such/file.jpg")}};
    const Result<QByteArray> m = OutgoingMessage::build(mail, kNow);
    ASSERT_FALSE(m.ok());
    EXPECT_EQ(m.error(), (Error{.kind = Error::Kind::AttachmentUnreadable,
                                .name = QStringLiteral("/no/such/file.jpg")}));
}

TEST(OutgoingMessage, controlCharactersInNamesNeverBreakAHeaderLine) {
    TempFolder dir;
    const QString smuggled = QStringLiteral("\r\nBcc: other@x.jp\n");
    QStringList files;
    for (const QString& base : {QStringLiteral("report"), QStringLiteral("報告")}) {
        files.append(dir.file(base + smuggled + QStringLiteral(".txt")));
        WriteBytes(files.back(), QByteArray("attached\n"));
    }
    const OutgoingMail mail{QStringLiteral("Bob") + smuggled + QStringLiteral(" <a@x.jp>"),
                            QStringLiteral("me@x.jp") + smuggled, QStringLiteral("件名") + smuggled,
                            QStringLiteral("本文"), files};
    const QByteArray m = *OutgoingMessage::build(mail, kNow);
    for (const QByteArray& line : m.split('\n')) {
        EXPECT_FALSE(line.startsWith("Bcc")) << line.constData();
        EXPECT_TRUE(line.endsWith('\r') || line.isEmpty()) << line.constData();
    }
    const ReceivedMessage back = MimeDecoder::decode(m);
    EXPECT_EQ(back.subject, QStringLiteral("件名 Bcc: other@x.jp "));
    ASSERT_EQ(back.attachments.size(), 2);
    EXPECT_EQ(back.attachments[0].name, QStringLiteral("report Bcc: other@x.jp .txt"));
    EXPECT_EQ(back.attachments[1].name, QStringLiteral("報告 Bcc: other@x.jp .txt"));
}
