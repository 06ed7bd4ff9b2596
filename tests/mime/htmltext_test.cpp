#include <gtest/gtest.h>

#include "mime/htmltext.h"

using namespace Qt::Literals::StringLiterals;

namespace {

struct HtmlCase {
    const char* name;
    QString html;
    QString text;
};

void PrintTo(const HtmlCase& c, std::ostream* out) {
    *out << c.name;
}

class HtmlToPlainText : public testing::TestWithParam<HtmlCase> {};

std::string caseName(const testing::TestParamInfo<HtmlCase>& info) {
    std::string name = info.param.name;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

} // namespace

TEST_P(HtmlToPlainText, showsWhatABrowserShows) {
    EXPECT_EQ(HtmlText::toPlainText(GetParam().html), GetParam().text);
}

// Well-formed mail reads as it always has.
INSTANTIATE_TEST_SUITE_P(
    WellFormed, HtmlToPlainText,
    testing::Values(
        HtmlCase{
            "line-ending-elements",
            u"<div>a</div><table><tr><td>b</td></tr></table><H3>c</H3><ul><li>d</li></ul>e<br/>f<BR clear=all>g"_s,
            u"a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"_s},
        HtmlCase{"source-line-breaks-around-comments-and-scripts-make-one-space",
                 u"a\r\n<!-- x -->\r\n<script>s</script>\nb\n<b>\nc"_s, u"a b  c"_s},
        HtmlCase{"entities-in-the-forms-always-decoded",
                 u"&AMP;&#12345678;&unknown;&#x1F600;&#0;&lt;br&gt;&#10;x"_s,
                 u"&&#12345678;&unknown;😀\uFFFD<br>\r\nx"_s},
        HtmlCase{"script-end-tag-in-any-case-with-attributes", u"<SCRIPT>if (a</scripts>b) {}</Script >c"_s,
                 u"c"_s}),
    caseName);

// Broken markup reads as a browser reads it.
INSTANTIATE_TEST_SUITE_P(
    Broken, HtmlToPlainText,
    testing::Values(
        HtmlCase{"unclosed-script-hides-the-rest", u"before<script>var a = 1; <b>x</b>"_s, u"before"_s},
        HtmlCase{"unterminated-comment-runs-to-the-end", u"kept<!-- a > b"_s, u"kept"_s},
        HtmlCase{"abrupt-comment-ends", u"a<!-->b<!--->c<!-- x --!>d"_s, u"abcd"_s},
        HtmlCase{"lt-that-starts-no-tag-is-text", u"a < b, 1<2, <株式会社>"_s, u"a < b, 1<2, <株式会社>"_s},
        HtmlCase{"gt-inside-quoted-attribute-values", u"<a title=\"1 > 0\" alt = '>'>link</a>"_s, u"link"_s},
        HtmlCase{"title-hidden-wherever-it-stands", u"<title>件名</title>本文"_s, u"本文"_s},
        HtmlCase{"text-straying-into-the-head-shown", u"<head>shown</head>"_s, u"shown"_s},
        HtmlCase{"doctype-processing-instruction-and-empty-end-tag-dropped",
                 u"a<!DOCTYPE html>b<?xml x?>c</>d"_s, u"abcd"_s},
        // No '>' anywhere: every opening is part of one tag the end cuts off.
        HtmlCase{"openings-never-closed-dropped", u"Hello "_s + u"<head <script <style <br "_s.repeated(100),
                 u"Hello"_s}),
    caseName);
