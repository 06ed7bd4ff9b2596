#include "auth/sendercheck.h"

#include "auth/fromaddress.h"
#include "auth/providerverdict.h"
#include "auth/rawmessage.h"

namespace {

FromAddress fromOf(const RawMessage& m) {
    const QList<const RawHeaderField*> from = m.all("From");
    return from.isEmpty() ? FromAddress{} : FromAddress::parse(from.first()->value());
}

std::optional<SenderVerdict> fromProvider(const RawMessage& m, const FromAddress& from,
                                          const ReceivedMessage& message,
                                          const SenderCheck::Context& context) {
    const std::optional<AuthenticationResults> results =
        ProviderVerdict::trusted(m, context.trustedAuthservId);
    if (!results)
        return std::nullopt;
    SenderVerdict v = ProviderVerdict::verdict(*results, from.domain());
    v.signs = PhishingSigns::find(from, message.subject, message.html, context.known);
    return v;
}

} // namespace

SenderCheck::SenderCheck(DkimVerifier verifier) : verifier_(std::move(verifier)) {}

SenderVerdict SenderCheck::check(QByteArrayView raw, const ReceivedMessage& message, const Context& context,
                                 const QDateTime& now) const {
    // The body is read only where we check a signature ourselves.
    const RawMessage headers = RawMessage::splitHeaders(raw);
    const FromAddress from = fromOf(headers);
    if (std::optional<SenderVerdict> v = fromProvider(headers, from, message, context))
        return *v;
    SenderVerdict v = DkimVerifier::verdict(verifier_.verify(RawMessage::split(raw), now), from.domain());
    v.signs = PhishingSigns::find(from, message.subject, message.html, context.known);
    return v;
}

std::optional<SenderVerdict> SenderCheck::providerOnly(QByteArrayView raw, const ReceivedMessage& message,
                                                       const Context& context) {
    const RawMessage headers = RawMessage::splitHeaders(raw);
    return fromProvider(headers, fromOf(headers), message, context);
}
