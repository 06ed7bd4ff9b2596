#include <gtest/gtest.h>

#include "text/text.h"

TEST(CutAtNul, keepsTextUpToFirstNul) {
    EXPECT_EQ(CutAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(CutAtNul(QString::fromUtf16(u"件名\0残り", 5)), QStringLiteral("件名"));
    EXPECT_EQ(CutAtNul(QString::fromUtf16(u"\0x", 2)), QString());
    EXPECT_EQ(CutAtNul(QString()), QString());
}

TEST(TrimSpaces, removesOnlyAsciiSpacesAtBothEnds) {
    EXPECT_EQ(TrimSpaces(QStringLiteral("  a b  ")), QStringLiteral("a b"));
    EXPECT_EQ(TrimSpaces(QStringLiteral("\tx\t")), QStringLiteral("\tx\t"));
    EXPECT_EQ(TrimSpaces(QStringLiteral("　全角　 ")), QStringLiteral("　全角　"));
    EXPECT_EQ(TrimSpaces(QStringLiteral("   ")), QString());
    EXPECT_EQ(TrimSpaces(QStringLiteral("line\r\n  ")), QStringLiteral("line\r\n"));
}
