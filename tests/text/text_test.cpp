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

TEST(ToCrLf, endsEveryKindOfLineBreakWithCrLf) {
    const struct {
        QString in;
        QString out;
    } rows[] = {
        {QString(), QString()},
        {QStringLiteral("一行"), QStringLiteral("一行")},
        {QStringLiteral("a\r\nb\r\n"), QStringLiteral("a\r\nb\r\n")},
        {QStringLiteral("a\nb"), QStringLiteral("a\r\nb")},
        {QStringLiteral("a\rb\r"), QStringLiteral("a\r\nb\r\n")},
        {QStringLiteral("a\r\nb\nc\rd"), QStringLiteral("a\r\nb\r\nc\r\nd")},
        {QStringLiteral("\r\r\n"), QStringLiteral("\r\n\r\n")},
        {QStringLiteral("\n\r"), QStringLiteral("\r\n\r\n")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToCrLf(row.in), row.out) << row.in.toStdString();
}
