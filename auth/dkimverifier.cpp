#include "auth/dkimverifier.h"

#include <QHash>

#include "auth/dkimcanonical.h"
#include "auth/organisationdomain.h"
#include "auth/signaturecheck.h"

namespace {

using Finding = DkimVerifier::Finding;
using Form = DkimCanonical::Form;

// "a=rsa-sha256; d=example.jp; …": tag names to values, white space
// (folding included) removed around them and, where it can only be
// folding, inside them (b=, bh=, h=, p=).
QHash<QByteArray, QByteArray> tags(QByteArrayView list) {
    QHash<QByteArray, QByteArray> out;
    for (const QByteArray& spec : list.toByteArray().split(';')) {
        const qsizetype eq = spec.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray name = spec.left(eq).trimmed();
        QByteArray value = spec.mid(eq + 1).simplified();
        if (name == "b" || name == "bh" || name == "h" || name == "p")
            value.replace(' ', "");
        if (!out.contains(name))
            out.insert(name, value);
    }
    return out;
}

// The signature field with the value of its b= tag taken out, as it was
// when it was signed (RFC 6376 section 3.7).
QByteArray withoutSignature(const QByteArray& field) {
    qsizetype start = field.indexOf(':') + 1;
    while (start < field.size()) {
        qsizetype end = field.indexOf(';', start);
        if (end < 0)
            end = field.endsWith("\r\n") ? field.size() - 2 : field.size();
        const qsizetype eq = field.indexOf('=', start);
        if (eq >= 0 && eq < end && field.mid(start, eq - start).trimmed() == "b")
            return field.left(eq + 1) + field.mid(end);
        start = end + 1;
    }
    return field;
}

std::optional<Form> formOf(const QByteArray& word) {
    if (word == "simple")
        return Form::Simple;
    if (word == "relaxed")
        return Form::Relaxed;
    return std::nullopt;
}

} // namespace

DkimVerifier::DkimVerifier(KeyLookup lookup, int maxSignatures)
    : lookup_(std::move(lookup)), maxSignatures_(maxSignatures) {}

QList<DkimVerifier::Signature> DkimVerifier::verify(const RawMessage& message, const QDateTime& now) const {
    QList<Signature> out;
    for (const RawHeaderField* f : message.all("DKIM-Signature")) {
        if (out.size() == maxSignatures_)
            break;
        out.append(verifyOne(message, *f, now));
    }
    return out;
}

DkimVerifier::Signature DkimVerifier::verifyOne(const RawMessage& message, const RawHeaderField& field,
                                                const QDateTime& now) const {
    const QHash<QByteArray, QByteArray> t = tags(field.raw.mid(field.raw.indexOf(':') + 1));
    Signature result{Finding::Malformed, QString::fromLatin1(t.value("d")).toLower()};
    const QByteArray algorithm = t.value("a").toLower();
    const QByteArrayList canon = t.value("c", "simple/simple").toLower().split('/');
    const std::optional<Form> headerForm = formOf(canon[0]);
    const std::optional<Form> bodyForm = formOf(canon.value(1, "simple"));
    const QByteArrayList signedNames = t.value("h").toLower().split(':');
    const QByteArray identity = t.value("i");
    const QString identityDomain = QString::fromLatin1(identity.mid(identity.lastIndexOf('@') + 1)).toLower();
    if (t.value("v") != "1" || (algorithm != "rsa-sha256" && algorithm != "ed25519-sha256") || !headerForm ||
        !bodyForm || result.domain.isEmpty() || t.value("s").isEmpty() || !signedNames.contains("from") ||
        t.value("b").isEmpty() || t.value("bh").isEmpty() ||
        (!identity.isEmpty() && identityDomain != result.domain &&
         !identityDomain.endsWith(QLatin1Char('.') + result.domain)))
        return result;
    bool lengthOk = true;
    const qint64 length = t.contains("l") ? t.value("l").toLongLong(&lengthOk) : -1;
    if (!lengthOk || length < -1)
        return result;
    if (t.contains("x") && t.value("x").toLongLong() < now.toSecsSinceEpoch()) {
        result.finding = Finding::Expired;
        return result;
    }

    const DnsTxtLookup::Answer answer = lookup_(t.value("s") + "._domainkey." + result.domain.toLatin1());
    if (answer.status != DnsTxtLookup::Answer::Status::Found) {
        result.finding = answer.status == DnsTxtLookup::Answer::Status::NoSuchName ? Finding::NoKey
                                                                                   : Finding::DnsUnanswered;
        return result;
    }
    const QHash<QByteArray, QByteArray> key = tags(answer.records.first());
    const QByteArray keyType = key.value("k", "rsa").toLower();
    const SignatureCheck::KeyType type =
        algorithm == "rsa-sha256" ? SignatureCheck::KeyType::Rsa : SignatureCheck::KeyType::Ed25519;
    if (!key.contains("p")) {
        result.finding = Finding::KeyUnusable;
        return result;
    }
    if (key.value("p").isEmpty()) {
        result.finding = Finding::KeyRevoked;
        return result;
    }
    if (keyType != algorithm.left(algorithm.indexOf('-')) ||
        (key.contains("h") && !key.value("h").toLower().split(':').contains("sha256"))) {
        result.finding = Finding::KeyUnusable;
        return result;
    }

    QByteArray body = DkimCanonical::body(message.body, *bodyForm);
    if (length >= 0) {
        if (length > body.size()) // l= longer than the body: not what was signed
            return {Finding::BodyChanged, result.domain};
        body.truncate(length);
    }
    if (SignatureCheck::sha256(body) != QByteArray::fromBase64(t.value("bh"))) {
        result.finding = Finding::BodyChanged;
        return result;
    }

    // Each name in h= takes the next field of that name from the bottom up;
    // a name with none left adds nothing (RFC 6376 section 5.4.2).
    QByteArray signedData;
    QHash<QByteArray, qsizetype> used;
    for (const QByteArray& name : signedNames) {
        const QList<const RawHeaderField*> fields = message.all(name.trimmed());
        const qsizetype n = used[name]++;
        if (n < fields.size())
            signedData += DkimCanonical::header(fields[fields.size() - 1 - n]->raw, *headerForm);
    }
    QByteArray self = DkimCanonical::header(withoutSignature(field.raw), *headerForm);
    if (self.endsWith("\r\n"))
        self.chop(2);
    signedData += self;
    const std::optional<bool> holds = SignatureCheck::verify(
        type, QByteArray::fromBase64(key.value("p")), signedData, QByteArray::fromBase64(t.value("b")));
    result.finding = !holds ? Finding::KeyUnusable : *holds ? Finding::Verified : Finding::HeadersChanged;
    return result;
}

SenderVerdict DkimVerifier::verdict(const QList<Signature>& signatures, const QString& fromDomain) {
    SenderVerdict v;
    v.source = SenderVerdict::Source::OwnCheck;
    v.fromDomain = fromDomain;
    const Signature* best = nullptr;
    int rank = -1;
    for (const Signature& s : signatures) {
        const bool pass = s.finding == Finding::Verified;
        const int r = pass ? (OrganisationDomain::same(s.domain, fromDomain) ? 2 : 1) : 0;
        if (r > rank) {
            best = &s;
            rank = r;
        }
    }
    if (!best)
        return v;
    v.dkimDomain = best->domain;
    switch (best->finding) {
    case Finding::Verified:
        v.dkim = SenderVerdict::Outcome::Pass;
        break;
    case Finding::BodyChanged:
    case Finding::HeadersChanged:
    case Finding::Expired:
        v.dkim = SenderVerdict::Outcome::Fail;
        break;
    case Finding::DnsUnanswered:
        v.dkim = SenderVerdict::Outcome::TempError;
        break;
    case Finding::Malformed:
    case Finding::NoKey:
    case Finding::KeyRevoked:
    case Finding::KeyUnusable:
        v.dkim = SenderVerdict::Outcome::PermError;
        break;
    }
    return v;
}
