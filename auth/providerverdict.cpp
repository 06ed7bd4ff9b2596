#include "auth/providerverdict.h"

#include "auth/organisationdomain.h"

namespace {

const QByteArray kHeader = QByteArrayLiteral("Authentication-Results");

// header.d, else the domain of header.i ("@example.jp", "user@example.jp").
QString signingDomain(const AuthMethodResult& r) {
    QByteArray d = r.properties.value("header.d");
    if (d.isEmpty()) {
        const QByteArray i = r.properties.value("header.i");
        d = i.mid(i.lastIndexOf('@') + 1);
    }
    return QString::fromUtf8(d).toLower();
}

} // namespace

namespace ProviderVerdict {

QByteArray topmostAuthservId(const RawMessage& message) {
    for (const RawHeaderField* f : message.all(kHeader)) {
        if (std::optional<AuthenticationResults> r = AuthenticationResults::parse(f->value()))
            return r->authservId;
    }
    return {};
}

std::optional<AuthenticationResults> trusted(const RawMessage& message, QByteArrayView trustedId) {
    if (trustedId.isEmpty())
        return std::nullopt;
    for (const RawHeaderField* f : message.all(kHeader)) {
        std::optional<AuthenticationResults> r = AuthenticationResults::parse(f->value());
        if (r && r->authservId.compare(trustedId, Qt::CaseInsensitive) == 0)
            return r;
    }
    return std::nullopt;
}

SenderVerdict verdict(const AuthenticationResults& results, const QString& fromDomain) {
    SenderVerdict v;
    v.source = SenderVerdict::Source::Provider;
    v.fromDomain = fromDomain;
    if (const AuthMethodResult* spf = results.best("spf"))
        v.spf = SenderVerdict::outcomeOf(spf->result);
    if (const AuthMethodResult* dmarc = results.best("dmarc"))
        v.dmarc = SenderVerdict::outcomeOf(dmarc->result);
    // Of several signatures, the one that passes for the From domain's
    // organisation speaks for the mail; else any that passes; else the first.
    const AuthMethodResult* dkim = nullptr;
    int rank = -1;
    for (const AuthMethodResult& r : results.results) {
        if (r.method != "dkim")
            continue;
        const bool pass = r.result == "pass";
        const int thisRank = pass ? (OrganisationDomain::same(signingDomain(r), fromDomain) ? 2 : 1) : 0;
        if (thisRank > rank) {
            dkim = &r;
            rank = thisRank;
        }
    }
    if (dkim) {
        v.dkim = SenderVerdict::outcomeOf(dkim->result);
        v.dkimDomain = signingDomain(*dkim);
    }
    return v;
}

} // namespace ProviderVerdict
