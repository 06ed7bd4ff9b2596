#include "ui/verdicttexts.h"

namespace {

using O = SenderVerdict::Outcome;
using Kind = SenderVerdict::Sign::Kind;

QString signText(const SenderVerdict::Sign& s) {
    switch (s.kind) {
    case Kind::AddressInDisplayName:
        return QStringLiteral("差出人名に別のアドレス %1 が書かれていますが、実際の差出人は %2 です。")
            .arg(s.shown, s.real);
    case Kind::NamesKnownSender:
        return QStringLiteral(
                   "アドレス帳の「%1」を名乗っていますが、差出人のアドレス %2 はアドレス帳のものと違います。")
            .arg(s.shown, s.real);
    case Kind::LookalikeDomain:
        return QStringLiteral(
                   "差出人のドメイン %1 は %2 に似せた別のドメインです。なりすましの可能性があります。")
            .arg(s.real, s.shown);
    case Kind::MisleadingLink:
        return QStringLiteral("本文のリンクは %1 と表示されていますが、実際には %2 に移動します。")
            .arg(s.shown, s.real);
    }
    return {};
}

QString authenticationText(const SenderVerdict& v) {
    const QString& domain = v.fromDomain;
    switch (v.standing()) {
    case SenderVerdict::Standing::Authenticated:
        return QStringLiteral("差出人のドメイン %1 は認証されています。").arg(domain);
    case SenderVerdict::Standing::Suspicious:
        return QStringLiteral(
                   "差出人のドメイン %1 の認証に失敗しました。本物の送信者ではない可能性があります。")
            .arg(domain);
    case SenderVerdict::Standing::NotAuthenticated:
        break;
    }
    if (v.source == SenderVerdict::Source::OwnCheck && v.dkim == O::TempError)
        return QStringLiteral(
                   "差出人のドメイン %1 の署名を確かめられませんでした（DNS から応答がありません）。")
            .arg(domain);
    return QStringLiteral(
               "差出人のドメイン %1 は認証されていません。本物の送信者かどうかは確かめられません。")
        .arg(domain);
}

} // namespace

VerdictBand VerdictBandText(const SenderVerdict& verdict) {
    VerdictBand band{authenticationText(verdict), verdict.standing() == SenderVerdict::Standing::Suspicious};
    // A failed authentication says the most; else the first sign found.
    const bool failed = verdict.dmarc == O::Fail || (verdict.signs.isEmpty() && band.warning);
    if (!failed && !verdict.signs.isEmpty())
        band.text = signText(verdict.signs.first());
    const qsizetype more = verdict.signs.size() - (failed ? 0 : 1);
    if (more > 0)
        band.text += QStringLiteral("（ほかに注意点が %1 件あります）").arg(more);
    return band;
}

QString VerdictMarkText(SenderVerdict::Standing standing) {
    switch (standing) {
    case SenderVerdict::Standing::Authenticated:
        return QStringLiteral("✓");
    case SenderVerdict::Standing::NotAuthenticated:
        return QStringLiteral("？");
    case SenderVerdict::Standing::Suspicious:
        return QStringLiteral("⚠");
    }
    return {};
}

QString VerdictMarkHelp(SenderVerdict::Standing standing) {
    switch (standing) {
    case SenderVerdict::Standing::Authenticated:
        return QStringLiteral("差出人は認証されています");
    case SenderVerdict::Standing::NotAuthenticated:
        return QStringLiteral("差出人は認証されていません");
    case SenderVerdict::Standing::Suspicious:
        return QStringLiteral("なりすましの疑いがあります");
    }
    return {};
}
