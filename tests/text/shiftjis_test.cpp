#include <gtest/gtest.h>

#include "text/shiftjis.h"

namespace {

struct EncodeCase {
    const char* name;
    const char16_t* text;
    QByteArray bytes;
};

class ShiftJisEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(ShiftJisEncode, matchesCodePage932) {
    const EncodeCase& c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(ShiftJis::encode(text).toHex(' '), c.bytes.toHex(' '));
    EXPECT_EQ(ShiftJis::decode(c.bytes), text) << "round trip";
}

INSTANTIATE_TEST_SUITE_P(Table, ShiftJisEncode,
                         testing::Values(EncodeCase{"ascii", u"abc 1", QByteArray("abc 1")},
                                         EncodeCase{"hiragana", u"あい", QByteArray("\x82\xA0\x82\xA2")},
                                         EncodeCase{"nec-row13-circled-digit", u"①", QByteArray("\x87\x40")},
                                         EncodeCase{"nec-row13-kabushiki", u"㈱", QByteArray("\x87\x8A")},
                                         EncodeCase{"ibm-extension-taka", u"髙", QByteArray("\xFB\xFC")},
                                         EncodeCase{"halfwidth-katakana", u"ｶﾀｶﾅ",
                                                    QByteArray("\xB6\xC0\xB6\xC5")},
                                         EncodeCase{"windows-wave-dash", u"～", QByteArray("\x81\x60")},
                                         EncodeCase{"kind-html", u"●HTML形式",
                                                    QByteArray("\x81\x9C"
                                                               "HTML"
                                                               "\x8C\x60\x8E\xAE")}),
                         [](const testing::TestParamInfo<EncodeCase>& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == '-')
                                     ch = '_';
                             return n;
                         });

} // namespace

TEST(ShiftJis, everyCharacterEncodesAsIconvEncodesIt) {
    auto bothWays = [](const QString& text) {
        qsizetype replaced = 0, replacedByIconv = 0;
        const QByteArray bytes = ShiftJis::encode(text, replaced);
        EXPECT_EQ(bytes, ShiftJis::encodeThroughIconv(text, replacedByIconv));
        EXPECT_EQ(replaced, replacedByIconv);
    };
    ASSERT_TRUE(ShiftJis::encodesThroughTable());
    // Each unit of the plane alone (lone surrogates among them), and in the
    // middle of Japanese text.
    for (char32_t u = 0; u <= 0xFFFF; ++u) {
        SCOPED_TRACE(testing::Message() << "U+" << std::hex << unsigned(u));
        const QChar c{char16_t(u)};
        bothWays(QString(c));
        bothWays(QStringLiteral("漢") + c + QStringLiteral("字a"));
        if (testing::Test::HasFailure())
            return;
    }
    for (const QString& text :
         {QStringLiteral("字😀字"), QString(QChar(0xD83D)) + QStringLiteral("字"),
          QStringLiteral("字") + QChar(0xD83D), QString(QChar(0xDE00)) + QChar(0xD83D),
          QStringLiteral("a🏴\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007Fb")})
        bothWays(text);
}

TEST(ShiftJis, unicodeWaveDashFromLinuxInputEncodesLikeWindows) {
    EXPECT_EQ(ShiftJis::encode(QStringLiteral("〜")), QByteArray("\x81\x60"));
}

TEST(ShiftJis, unmappableCharactersBecomeOneVisiblePlaceholderEach) {
    const QByteArray bytes = ShiftJis::encode(QStringLiteral("a😀b✓c"));
    EXPECT_EQ(bytes, QByteArray("a\x81\xAC"
                                "b\x81\xAC"
                                "c"));
    EXPECT_EQ(ShiftJis::decode(bytes), QStringLiteral("a〓b〓c"));
}

TEST(ShiftJis, replacementsAreCountedPerCharacterNotPerByte) {
    qsizetype replaced = -1;
    // An emoji is a surrogate pair and four UTF-8 bytes, but one character;
    // a geta mark typed by the user is a real character, not a replacement.
    const QByteArray bytes = ShiftJis::encode(QStringLiteral("😀〓✓漢"), replaced);
    EXPECT_EQ(replaced, 2);
    EXPECT_EQ(ShiftJis::decode(bytes), QStringLiteral("〓〓〓漢"));
    ShiftJis::encode(QStringLiteral("plain ascii"), replaced);
    EXPECT_EQ(replaced, 0) << "the count starts afresh on every call";
    // A surrogate without its partner (text cut in the middle of an emoji) is one character too.
    const QString lone = QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("漢") + QChar(0xDE00);
    EXPECT_EQ(ShiftJis::encode(lone, replaced), QByteArray("a\x81\xAC\x8A\xBF\x81\xAC"));
    EXPECT_EQ(replaced, 2);
}

TEST(ShiftJis, invalidBytesDecodeToReplacementCharacters) {
    // a lone lead byte at the end, an invalid trail byte, and an unassigned byte
    EXPECT_EQ(ShiftJis::decode(QByteArray("ab\x82")), QStringLiteral("ab\uFFFD"));
    EXPECT_EQ(ShiftJis::decode(QByteArray("\x82\x20x")).front(), QChar(0xFFFD));
    EXPECT_TRUE(ShiftJis::decode(QByteArray("\xA0\xFD\xFF"
                                            "ok"))
                    .endsWith(QStringLiteral("ok")));
}

TEST(ShiftJis, nulBytesSurviveDecoding) {
    const QString s = ShiftJis::decode(QByteArray("a\0b", 3));
    ASSERT_EQ(s.size(), 3);
    EXPECT_EQ(s.at(1), QChar(u'\0'));
}

TEST(ShiftJisField, padsShortTextWithSpaces) {
    EXPECT_EQ(ShiftJis::encodeField(QStringLiteral("件名"), 8), QByteArray("\x8C\x8F\x96\xBC    "));
}

TEST(ShiftJisField, cutsAtWidthInBytes) {
    QString sixty;
    for (int i = 0; i < 60; ++i)
        sixty += QChar(u'あ');
    const QByteArray field = ShiftJis::encodeField(sixty, 100);
    ASSERT_EQ(field.size(), 100);
    EXPECT_EQ(ShiftJis::decode(field), sixty.left(50));
}

TEST(ShiftJisField, doubleByteCharacterStraddlingTheEndIsDroppedAndItsByteBecomesASpace) {
    const QByteArray field = ShiftJis::encodeField(QStringLiteral("abあい"), 5);
    EXPECT_EQ(field, QByteArray("ab\x82\xA0 "));
}

TEST(ShiftJisField, halfWidthKatakanaIsSingleByteAtTheEdge) {
    EXPECT_EQ(ShiftJis::encodeField(QStringLiteral("abｶﾀ"), 3), QByteArray("ab\xB6"));
}

TEST(ShiftJisField, emojiAtTheEdgeIsNotSplit) {
    const QString text = QStringLiteral("abc") + QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(ShiftJis::encodeField(text, 4), QByteArray("abc "));
    EXPECT_EQ(ShiftJis::encodeField(text, 5), QByteArray("abc\x81\xAC"));
}

TEST(ShiftJisField, exactFitNeedsNoPadding) {
    EXPECT_EQ(ShiftJis::encodeField(QStringLiteral("○TEXT形式"), 10),
              QByteArray("\x81\x9BTEXT\x8C\x60\x8E\xAE"));
}
