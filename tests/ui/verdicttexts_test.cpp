// The band and the mark the user reads of a mail's sender, for real cases.
#include <gtest/gtest.h>

#include "ui/verdicttexts.h"

namespace {

using O = SenderVerdict::Outcome;
using Kind = SenderVerdict::Sign::Kind;

SenderVerdict verdict(O dkim, O dmarc, QList<SenderVerdict::Sign> signs = {},
                      SenderVerdict::Source source = SenderVerdict::Source::Provider) {
    SenderVerdict v;
    v.source = source;
    v.dkim = dkim;
    v.dkimDomain = QStringLiteral("example.co.jp");
    v.dmarc = dmarc;
    v.fromDomain = QStringLiteral("example.co.jp");
    v.signs = std::move(signs);
    return v;
}

} // namespace

TEST(VerdictTexts, theBandSaysWhatWasFoundInOneLine) {
    const SenderVerdict::Sign lookalike{Kind::LookalikeDomain, QStringLiteral("amazon.co.jp"),
                                        QStringLiteral("arnazon.co.jp")};
    const SenderVerdict::Sign link{Kind::MisleadingLink, QStringLiteral("www.rakuten.co.jp"),
                                   QStringLiteral("evil.example")};
    const struct {
        const char* name;
        SenderVerdict verdict;
        const char* text;
        bool warning;
    } rows[] = {
        {"provider-dmarc-fail", verdict(O::None, O::Fail),
         "差出人のドメイン example.co.jp の認証に失敗しました。本物の送信者ではない可能性があります。", true},
        {"dmarc-pass", verdict(O::Pass, O::Pass), "差出人のドメイン example.co.jp は認証されています。",
         false},
        {"unsigned", verdict(O::None, O::None),
         "差出人のドメイン example.co.jp は認証されていません。本物の送信者かどうかは確かめられません。",
         false},
        {"own-check-dns-silent", verdict(O::TempError, O::None, {}, SenderVerdict::Source::OwnCheck),
         "差出人のドメイン example.co.jp の署名を確かめられませんでした（DNS から応答がありません）。",
         false},
        {"lookalike-though-signed", verdict(O::Pass, O::Pass, {lookalike}),
         "差出人のドメイン arnazon.co.jp は amazon.co.jp "
         "に似せた別のドメインです。なりすましの可能性があります。",
         true},
        {"fail-and-a-link", verdict(O::Fail, O::Fail, {link}),
         "差出人のドメイン example.co.jp の認証に失敗しました。本物の送信者ではない可能性があります。"
         "（ほかに注意点が 1 件あります）",
         true},
        {"display-name-and-known-name",
         verdict(
             O::None, O::None,
             {{Kind::AddressInDisplayName, QStringLiteral("info@bank.example"),
               QStringLiteral("x@evil.example")},
              {Kind::NamesKnownSender, QStringLiteral("三井住友カード"), QStringLiteral("x@evil.example")}}),
         "差出人名に別のアドレス info@bank.example が書かれていますが、実際の差出人は x@evil.example です。"
         "（ほかに注意点が 1 件あります）",
         true},
        {"known-name",
         verdict(
             O::None, O::None,
             {{Kind::NamesKnownSender, QStringLiteral("三井住友カード"), QStringLiteral("x@evil.example")}}),
         "アドレス帳の「三井住友カード」を名乗っていますが、差出人のアドレス x@evil.example "
         "はアドレス帳のものと違います。",
         true},
        {"link", verdict(O::Pass, O::Pass, {link}),
         "本文のリンクは www.rakuten.co.jp と表示されていますが、実際には evil.example に移動します。", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const VerdictBand band = VerdictBandText(row.verdict);
        EXPECT_EQ(band.text, QString::fromUtf8(row.text));
        EXPECT_EQ(band.warning, row.warning);
    }
    EXPECT_EQ(VerdictMarkText(SenderVerdict::Standing::Suspicious), QStringLiteral("⚠"));
    EXPECT_EQ(VerdictMarkHelp(SenderVerdict::Standing::NotAuthenticated),
              QStringLiteral("差出人は認証されていません"));
}
