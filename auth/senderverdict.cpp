#include "auth/senderverdict.h"

#include <QUrl>

#include "auth/organisationdomain.h"

namespace {

// The words of the encoding, in the order of the enums.
const QByteArrayList kOutcomeWords = {"none",    "pass",      "fail",     "softfail",
                                      "neutral", "temperror", "permerror"};
const QByteArrayList kSignWords = {"name-address", "known-name", "lookalike", "link"};

QByteArray text(const QString& s) {
    return QUrl::toPercentEncoding(s);
}

QString fromText(QByteArrayView b) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(b.toByteArray()));
}

} // namespace

SenderVerdict::Outcome SenderVerdict::outcomeOf(QByteArrayView resultWord) {
    const QByteArray w = resultWord.toByteArray().toLower();
    if (w == "hardfail") // older SPF spelling
        return Outcome::Fail;
    if (w == "policy") // the receiver's local policy refused it (RFC 8601)
        return Outcome::Fail;
    const qsizetype i = kOutcomeWords.indexOf(w);
    return i < 0 ? Outcome::None : static_cast<Outcome>(i);
}

bool SenderVerdict::aligned() const {
    return OrganisationDomain::same(dkimDomain, fromDomain);
}

SenderVerdict::Standing SenderVerdict::standing() const {
    if (!signs.isEmpty() || dmarc == Outcome::Fail)
        return Standing::Suspicious;
    if (dmarc == Outcome::Pass || (dkim == Outcome::Pass && aligned()))
        return Standing::Authenticated;
    // Without DMARC's word, a failed signature or an address the domain's
    // SPF refuses is the forger's mark, unless an aligned signature holds.
    if (dmarc == Outcome::None && (dkim == Outcome::Fail || spf == Outcome::Fail))
        return Standing::Suspicious;
    return Standing::NotAuthenticated;
}

// "v1;o;spf=pass;dkim=pass;d=example.jp;dmarc=pass;f=example.jp;sign=lookalike:shown:real"
QByteArray SenderVerdict::encode() const {
    QByteArrayList fields = {"v1", source == Source::Provider ? "p" : "o"};
    fields << "spf=" + kOutcomeWords[int(spf)] << "dkim=" + kOutcomeWords[int(dkim)]
           << "d=" + text(dkimDomain) << "dmarc=" + kOutcomeWords[int(dmarc)] << "f=" + text(fromDomain);
    for (const Sign& s : signs)
        fields << "sign=" + kSignWords[int(s.kind)] + ':' + text(s.shown) + ':' + text(s.real);
    return fields.join(';');
}

std::optional<SenderVerdict> SenderVerdict::decode(QByteArrayView encoded) {
    const QByteArrayList fields = encoded.toByteArray().split(';');
    if (fields.size() < 2 || fields[0] != "v1" || (fields[1] != "p" && fields[1] != "o"))
        return std::nullopt;
    SenderVerdict v;
    v.source = fields[1] == "p" ? Source::Provider : Source::OwnCheck;
    for (qsizetype i = 2; i < fields.size(); ++i) {
        const qsizetype eq = fields[i].indexOf('=');
        if (eq < 0)
            return std::nullopt;
        const QByteArray key = fields[i].left(eq);
        const QByteArray value = fields[i].mid(eq + 1);
        const auto outcome = [&](Outcome& o) {
            const qsizetype k = kOutcomeWords.indexOf(value);
            o = static_cast<Outcome>(k);
            return k >= 0;
        };
        bool ok = true;
        if (key == "spf") {
            ok = outcome(v.spf);
        } else if (key == "dkim") {
            ok = outcome(v.dkim);
        } else if (key == "dmarc") {
            ok = outcome(v.dmarc);
        } else if (key == "d") {
            v.dkimDomain = fromText(value);
        } else if (key == "f") {
            v.fromDomain = fromText(value);
        } else if (key == "sign") {
            const QByteArrayList parts = value.split(':');
            const qsizetype k = parts.size() == 3 ? kSignWords.indexOf(parts[0]) : -1;
            ok = k >= 0;
            if (ok)
                v.signs.append({static_cast<Sign::Kind>(k), fromText(parts[1]), fromText(parts[2])});
        }
        if (!ok)
            return std::nullopt;
    }
    return v;
}
