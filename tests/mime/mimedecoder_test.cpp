#include <QFile>
#include <gtest/gtest.h>

#include "mime/mimedecoder.h"

namespace {

ReceivedMessage load(const char* name) {
    QFile f(QStringLiteral(FENNICK_TEST_DATA "/mail/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return MimeDecoder::decode(f.readAll());
}

struct TextCase {
    const char* file;
    const char16_t* subject;
    const char16_t* body;
};

class DecodesJapaneseMail : public testing::TestWithParam<TextCase> {};

TEST_P(DecodesJapaneseMail, subjectAndBody) {
    const TextCase& c = GetParam();
    const ReceivedMessage m = load(c.file);
    EXPECT_EQ(m.subject, QString::fromUtf16(c.subject));
    EXPECT_EQ(m.body.trimmed(), QString::fromUtf16(c.body));
    EXPECT_TRUE(m.attachments.isEmpty());
    EXPECT_FALSE(m.partsMissing);
}

INSTANTIATE_TEST_SUITE_P(
    StoredMail, DecodesJapaneseMail,
    testing::Values(TextCase{"iso2022jp-nec-characters.eml", u"会議①の件", u"①㈱の資料です。"},
                    TextCase{"sjis-label-shift_jis.eml", u"sjis", u"あ①い髙"},
                    TextCase{"sjis-label-windows-31j.eml", u"sjis", u"あ①い髙"},
                    TextCase{"sjis-label-x-sjis.eml", u"sjis", u"あ①い髙"},
                    TextCase{"sjis-label-ms932.eml", u"sjis", u"あ①い髙"},
                    TextCase{"iso2022jp-subject-split-across-encoded-words.eml", u"日本語の件名", u"x"},
                    TextCase{"utf8-subject-split-mid-character.eml", u"日本語の件名", u"x"},
                    TextCase{"q-encoded-subject.eml", u"Re: 日本", u"x"},
                    TextCase{"raw-8bit-sjis-subject.eml", u"生の件名①", u"本文"},
                    TextCase{"iso2022jp-label-on-sjis-bytes.eml", u"x", u"ラベル違い①"},
                    TextCase{"euc-jp-body.eml", u"件名", u"日本語本文"}),
    [](const testing::TestParamInfo<TextCase>& info) {
        std::string n = info.param.file;
        n = n.substr(0, n.size() - 4);
        for (char& ch : n)
            if (ch == '-' || ch == '.')
                ch = '_';
        return n;
    });

} // namespace

TEST(MimeDecoder, senderAndDateAreDecodedHeaderTexts) {
    const ReceivedMessage m = load("iso2022jp-nec-characters.eml");
    EXPECT_EQ(m.sender, QStringLiteral("山田 <yamada@example.jp>"));
    EXPECT_EQ(m.date, QStringLiteral("Mon, 07 Dec 2026 09:00:00 +0900"));
    EXPECT_TRUE(m.header.startsWith(QStringLiteral("From: =?ISO-2022-JP?B?")));
    EXPECT_TRUE(m.header.contains(QStringLiteral("\r\nSubject: ")));
    EXPECT_FALSE(m.header.contains(QStringLiteral("\r\n\r\n")));
    const ReceivedMessage raw = load("raw-8bit-sjis-subject.eml");
    EXPECT_EQ(raw.sender, QStringLiteral("佐藤 <sato@example.jp>"));
}

TEST(MimeDecoder, nestedMultipartTakesFirstPlainTextAndEveryNamedPart) {
    const ReceivedMessage m = load("rfc2231-continued-name-nested-multipart.eml");
    EXPECT_EQ(m.body, QStringLiteral("プレーン本文"));
    ASSERT_EQ(m.attachments.size(), 2);
    EXPECT_EQ(m.attachments[0].name, QStringLiteral("会議資料（最終版）.pdf"));
    EXPECT_EQ(m.attachments[0].content, QByteArray("%PDF-1.4 data"));
    // name= in Content-Type only, RFC 2047 inside the quotes, no disposition
    EXPECT_EQ(m.attachments[1].name, QStringLiteral("写真.png"));
    EXPECT_EQ(m.attachments[1].content, QByteArray("\x89PNG\r\n\x1a\nfake"));
}

TEST(MimeDecoder, htmlOnlyMailIsShownAsPlainText) {
    const ReceivedMessage m = load("html-only-body.eml");
    EXPECT_EQ(m.body, QStringLiteral("こんにちは&①\r\nline\r\nnext"));
    EXPECT_TRUE(m.attachments.isEmpty());
}

TEST(MimeDecoder, messageThatIsOnlyAnAttachmentHasAnEmptyBody) {
    const ReceivedMessage m = load("attachment-only.eml");
    EXPECT_TRUE(m.body.isEmpty());
    ASSERT_EQ(m.attachments.size(), 1);
    EXPECT_EQ(m.attachments[0].name, QStringLiteral("p.jpg"));
}

TEST(MimeDecoder, messagePartialReportsMissingParts) {
    EXPECT_TRUE(load("message-partial.eml").partsMissing);
}

TEST(MimeDecoder, hostileNamesAreReportedAsSentForTheWriterToClean) {
    const ReceivedMessage m = load("hostile-attachment-names.eml");
    EXPECT_EQ(m.body.trimmed(), QStringLiteral("see attached"));
    ASSERT_EQ(m.attachments.size(), 7);
    EXPECT_EQ(m.attachments[0].name, QStringLiteral("../../x"));
    EXPECT_EQ(m.attachments[2].name, QStringLiteral("a\\b"));
}

TEST(MimeDecoder, brokenMimeStillGivesTheReadableText) {
    const ReceivedMessage m = load("broken-mime-unclosed-boundary.eml");
    EXPECT_EQ(m.body.trimmed(), QStringLiteral("still readable"));
    EXPECT_EQ(m.subject, QStringLiteral("broken"));
}

TEST(MimeDecoder, garbageInputNeverCrashes) {
    const QByteArray inputs[] = {
        QByteArray(), QByteArray("\0\0\0", 3), QByteArray("Subject: =?x?B?###?=\r\n"),
        QByteArray("Content-Type: multipart/mixed; boundary=\"\"\r\n\r\n--\r\n--\r\n"),
        QByteArray(5000, '\xff')};
    for (const QByteArray& in : inputs) {
        const ReceivedMessage m = MimeDecoder::decode(in);
        EXPECT_LE(m.attachments.size(), 2);
    }
}
