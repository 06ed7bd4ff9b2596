#include <algorithm>
#include <gtest/gtest.h>

#include "search/searchtext.h"

namespace {

struct FoldCase {
    const char* name;
    QString typed;
    QString stored;
    bool same;
};

class FoldTest : public testing::TestWithParam<FoldCase> {};

TEST_P(FoldTest, variantsOfOneTextFoldAlike) {
    const FoldCase& c = GetParam();
    EXPECT_EQ(SearchText::fold(c.typed) == SearchText::fold(c.stored), c.same)
        << SearchText::fold(c.typed).toStdString() << " / " << SearchText::fold(c.stored).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Japanese, FoldTest,
    testing::Values(
        FoldCase{"full-width-latin-and-digits", QStringLiteral("ＡＢＣ２０２６"), QStringLiteral("abc2026"),
                 true},
        FoldCase{"half-width-katakana", QStringLiteral("ｾﾐﾅｰ"), QStringLiteral("セミナー"), true},
        FoldCase{"half-width-voiced-katakana", QStringLiteral("ﾃﾞｻﾞｲﾝ"), QStringLiteral("デザイン"), true},
        FoldCase{"hiragana-typed-for-katakana", QStringLiteral("さーばー"), QStringLiteral("サーバー"), true},
        FoldCase{"upper-and-lower-case", QStringLiteral("INVOICE"), QStringLiteral("Invoice"), true},
        FoldCase{"cp932-tilde-and-jis-wave-dash", QStringLiteral("\uFF5E"), QStringLiteral("\u301C"), true},
        FoldCase{"cp932-minus-and-jis-minus", QStringLiteral("\uFF0D"), QStringLiteral("\u2212"), true},
        FoldCase{"cp932-and-jis-double-bar", QStringLiteral("\u2225"), QStringLiteral("\u2016"), true},
        FoldCase{"long-vowel-mark-is-no-dash", QStringLiteral("ー"), QStringLiteral("-"), false},
        FoldCase{"rare-kanji-stays-itself", QStringLiteral("髙橋"), QStringLiteral("高橋"), false},
        FoldCase{"voiced-and-plain-kana-differ", QStringLiteral("が"), QStringLiteral("か"), false}),
    [](const testing::TestParamInfo<FoldCase>& info) {
        std::string name = info.param.name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(SearchWordsTest, splitAtAnySpaceFoldedWithoutRepeats) {
    EXPECT_EQ(SearchText::words(QStringLiteral(" 請求書　髙橋\tINVOICE  invoice ")),
              (QStringList{QStringLiteral("請求書"), QStringLiteral("髙橋"), QStringLiteral("invoice")}));
    EXPECT_TRUE(SearchText::words(QStringLiteral("　 ")).isEmpty());
}

} // namespace
