#include <gtest/gtest.h>

#include "mime/charsets.h"
#include "mime/headertext.h"

TEST(HeaderText, plainAsciiPassesThroughUnfolded) {
    EXPECT_EQ(HeaderText::decode("Hello\r\n world"), QStringLiteral("Hello world"));
}

TEST(HeaderText, whiteSpaceBetweenEncodedWordsIsDropped) {
    EXPECT_EQ(HeaderText::decode("=?UTF-8?B?5pel?= =?UTF-8?B?5pys?="), QStringLiteral("日本"));
    EXPECT_EQ(HeaderText::decode("=?UTF-8?Q?a?= b =?UTF-8?Q?c?="), QStringLiteral("a b c"));
}

TEST(HeaderText, differentCharsetsNextToEachOtherAreDecodedSeparately) {
    EXPECT_EQ(HeaderText::decode("=?UTF-8?B?5pel?= =?ISO-8859-1?Q?=E9?="), QStringLiteral("日é"));
}

TEST(HeaderText, malformedEncodedWordIsKeptAsText) {
    EXPECT_EQ(HeaderText::decode("=?UTF-8?X?abc?= tail"), QStringLiteral("=?UTF-8?X?abc?= tail"));
    EXPECT_EQ(HeaderText::decode("=?UTF-8?B?abc"), QStringLiteral("=?UTF-8?B?abc"));
}

TEST(HeaderText, rfc2231ParameterWithCharsetAndContinuations) {
    const QByteArray v = "attachment; filename*0*=ISO-2022-JP'ja'%1B%24B%24%22; filename*1*=%1B%28B.txt";
    EXPECT_EQ(HeaderText::parameter(v, "filename"), QStringLiteral("あ.txt"));
    EXPECT_EQ(HeaderText::parameter("attachment; filename*=UTF-8''%E3%81%82", "FILENAME"),
              QStringLiteral("あ"));
    EXPECT_EQ(HeaderText::parameter("attachment; filename*0=\"ab\"; filename*1=\"c\"", "filename"),
              QStringLiteral("abc"));
}

TEST(HeaderText, quotedParametersKeepSemicolonsAndEscapes) {
    EXPECT_EQ(HeaderText::parameter("text/plain; name=\"a;b\\\"c\"; charset=x", "name"),
              QStringLiteral("a;b\"c"));
    EXPECT_EQ(HeaderText::parameter("text/plain; charset=x", "name"), QString());
    EXPECT_EQ(HeaderText::leadingToken("Text/HTML ; charset=x"), QByteArray("text/html"));
}

TEST(Charsets, unlabelledTextIsUtf8WhenValidElseShiftJis) {
    EXPECT_EQ(Charsets::decodeUnlabelled("\xE3\x81\x82"), QStringLiteral("あ"));
    EXPECT_EQ(Charsets::decodeUnlabelled("\x82\xA0"), QStringLiteral("あ"));
}

TEST(HeaderText, rawIso2022JpHeaderFromOldMailersIsDecoded) {
    EXPECT_EQ(HeaderText::decode("Re: \x1b$B$\"$$\x1b(B"), QStringLiteral("Re: あい"));
}

TEST(Charsets, unknownLabelFallsBackInsteadOfLosingText) {
    EXPECT_EQ(Charsets::decode("\xE3\x81\x82", "x-no-such-charset"), QStringLiteral("あ"));
    EXPECT_EQ(Charsets::decode("caf\xE9", "iso-8859-1"), QStringLiteral("café"));
}
