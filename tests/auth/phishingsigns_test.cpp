#include <gtest/gtest.h>

#include "auth/phishingsigns.h"

namespace {

QString described(const QList<SenderVerdict::Sign>& signs) {
    static const QStringList kinds = {QStringLiteral("name-address"), QStringLiteral("known-name"),
                                      QStringLiteral("lookalike"), QStringLiteral("link")};
    QStringList out;
    for (const SenderVerdict::Sign& s : signs)
        out << kinds[int(s.kind)] + QLatin1Char(' ') + s.shown + QStringLiteral(" -> ") + s.real;
    return out.join(QStringLiteral("; "));
}

} // namespace

TEST(PhishingSigns, flagsSendersPosingAsKnownOnesAndLeavesTheOthers) {
    const PhishingSigns::KnownSenders known(
        PhishingSigns::Known{{{QStringLiteral("Amazon.co.jp"), QStringLiteral("order-update@amazon.co.jp")},
                              {QStringLiteral("楽天カード"), QStringLiteral("info@mail.rakuten-card.co.jp")},
                              {QStringLiteral("山田 太郎"), QStringLiteral("taro@example.jp")},
                              {QStringLiteral("田中"), QStringLiteral("tanaka@example.org")}},
                             {QStringLiteral("paypay.ne.jp"), QStringLiteral("abc.jp")}});
    const struct {
        const char* name;
        const char* from;
        const char* subject;
        const char* html;
        const char* signs;
    } rows[] = {
        {"cyrillic-letters-in-a-known-domain", "Amazon <info@аmаzоn.co.jp>", "", "",
         "lookalike amazon.co.jp -> аmаzоn.co.jp"},
        {"the-same-in-punycode", "Amazon <info@xn--mzn-5cdb9f.co.jp>", "", "",
         "lookalike amazon.co.jp -> xn--mzn-5cdb9f.co.jp"},
        {"rn-drawn-as-m", "Amazon <info@arnazon.co.jp>", "", "", "lookalike amazon.co.jp -> arnazon.co.jp"},
        {"two-letters-swapped", "<info@amazno.co.jp>", "", "", "lookalike amazon.co.jp -> amazno.co.jp"},
        {"a-previous-senders-domain-one-letter-off", "PayPay <no-reply@paypai.ne.jp>", "", "",
         "lookalike paypay.ne.jp -> paypai.ne.jp"},
        {"known-address-as-display-name", "\"order-update@amazon.co.jp\" <x@evil.example>", "", "",
         "name-address order-update@amazon.co.jp -> x@evil.example; known-name Amazon.co.jp -> "
         "x@evil.example"},
        {"full-width-address-as-display-name",
         "=?UTF-8?B?772U772B772S772P77ygZXhhbXBsZS5qcA==?= <x@evil.example>", "", "",
         "name-address taro@example.jp -> x@evil.example"},
        {"address-book-name-from-another-address",
         "=?UTF-8?B?5bGx55SwIOWkqumDjg==?= <yamada.taro@freemail.example>", "", "",
         "known-name 山田 太郎 -> yamada.taro@freemail.example"},
        {"subject-names-a-card-company", "Support <no-reply@card-security.example>",
         "【楽天カード】ご利用確認のお願い", "", "known-name 楽天カード -> no-reply@card-security.example"},
        {"link-text-names-another-domain", "<news@shop.example>", "",
         "<p><A class=x HREF=\"https://login.evil.example/x\">https://www.amazon.co.jp/orders</a>",
         "link www.amazon.co.jp -> login.evil.example"},
        {"full-width-link-text", "<news@shop.example>", "",
         "<a href='http://evil.example'>\xEF\xBD\x97\xEF\xBD\x97\xEF\xBD\x97\xEF\xBC\x8E"
         "rakuten\xEF\xBC\x8E\xEF\xBD\x83\xEF\xBD\x8F\xEF\xBC\x8E\xEF\xBD\x8A\xEF\xBD\x90</a>",
         "link www.rakuten.co.jp -> evil.example"},

        {"japanese-display-name-of-a-stranger", "=?UTF-8?B?5L2Q6Jek6Iqx5a2Q?= <hanako@example.net>",
         "ご無沙汰しています", "", ""},
        {"address-book-entry-from-its-own-address", "=?UTF-8?B?5bGx55SwIOWkqumDjg==?= <Taro@Example.jp>", "",
         "", ""},
        {"subdomain-of-the-same-organisation", "=?UTF-8?B?5qW95aSp44Kr44O844OJ?= <news@rakuten-card.co.jp>",
         "【楽天カード】明細のお知らせ", "", ""},
        {"an-entry-writing-about-another-entry", "<Tanaka@example.org>", "楽天カードの明細について", "", ""},
        {"short-name-inside-a-subject", "<someone@example.com>", "田中さんの件", "", ""},
        {"short-domains-one-letter-apart", "<x@abd.jp>", "", "", ""},
        {"links-that-show-no-other-domain", "<news@amazon.co.jp>", "",
         "<a href=\"https://www.amazon.co.jp/gp/css\">amazon.co.jp</a> <a "
         "href=\"https://evil.example\">こちら</a> "
         "<a href=\"https://files.example/a\">明細.pdf</a> <a "
         "href=\"mailto:a@b.example\">support.example.com</a>",
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const FromAddress from = FromAddress::parse(row.from);
        EXPECT_EQ(described(PhishingSigns::find(from, QString::fromUtf8(row.subject),
                                                QString::fromUtf8(row.html), known)),
                  QString::fromUtf8(row.signs));
    }
}
