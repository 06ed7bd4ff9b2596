#include <gtest/gtest.h>

#include "history/textsearch.h"

TEST(TextSearch, findNextWalksTheMatchesFailsOnceAndStartsAgainAtTheNeedlesLength) {
    const QString text = QStringLiteral("abcXabcXabc");
    TextSearch s;
    EXPECT_EQ(s.search(text, QStringLiteral("abc")), 1);
    EXPECT_EQ(s.findNext(text, QStringLiteral("abc")), 5);
    EXPECT_EQ(s.findNext(text, QStringLiteral("abc")), 9);
    EXPECT_EQ(s.findNext(text, QStringLiteral("abc")), 0) << "no wrap-around";
    // Position 0 plus the length 3: the search starts at position 3.
    EXPECT_EQ(s.findNext(text, QStringLiteral("abc")), 5);
}

TEST(TextSearch, restartAfterAFailureFindsAMatchBeginningAtTheNeedlesLength) {
    const QString text = QStringLiteral("xyabcab");
    TextSearch s;
    EXPECT_EQ(s.search(text, QStringLiteral("ab")), 3);
    EXPECT_EQ(s.findNext(text, QStringLiteral("ab")), 6);
    EXPECT_EQ(s.findNext(text, QStringLiteral("ab")), 0);
    EXPECT_EQ(s.findNext(text, QStringLiteral("ab")), 3) << "starts at 2, the needle's length";
}

TEST(TextSearch, overlappingMatchesAreSkippedByTheNeedlesLength) {
    TextSearch s;
    EXPECT_EQ(s.search(QStringLiteral("aaaa"), QStringLiteral("aa")), 1);
    EXPECT_EQ(s.findNext(QStringLiteral("aaaa"), QStringLiteral("aa")), 3);
}

TEST(TextSearch, comparisonIsExact) {
    TextSearch s;
    EXPECT_EQ(s.search(QStringLiteral("ABC ａｂｃ abc"), QStringLiteral("abc")), 9);
    EXPECT_EQ(s.search(QStringLiteral("ABC ａｂｃ"), QStringLiteral("abc")), 0);
    EXPECT_EQ(s.position(), 0);
}

TEST(TextSearch, emptyNeedleMatchesNothingAtTheStart) {
    TextSearch s;
    EXPECT_EQ(s.search(QStringLiteral("本文"), QString()), 1);
    EXPECT_EQ(s.findNext(QStringLiteral("本文"), QString()), 1);
    EXPECT_EQ(s.search(QString(), QString()), 0) << "an empty text has no start to select";
    EXPECT_EQ(s.findNext(QStringLiteral("本文"), QString()), 1) << "a start below 1 counts as 1";
}

TEST(TextSearch, matchesPastPosition32767AreFound) {
    const QString text = QString(40000, u'x') + QStringLiteral("目印x目印");
    TextSearch s;
    EXPECT_EQ(s.search(text, QStringLiteral("目印")), 40001);
    EXPECT_EQ(s.findNext(text, QStringLiteral("目印")), 40004);
    EXPECT_EQ(s.findNext(text, QStringLiteral("目印")), 0);
}
