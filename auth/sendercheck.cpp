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
    const RawMessage m = RawMessage::split(raw);
    const FromAddress from = fromOf(m);
    if (std::optional<SenderVerdict> v = fromProvider(m, from, message, context))
        return *v;
    SenderVerdict v = DkimVerifier::verdict(verifier_.verify(m, now), from.domain());
    v.signs = PhishingSigns::find(from, message.subject, message.html, context.known);
    return v;
}

std::optional<SenderVerdict> SenderCheck::providerOnly(QByteArrayView raw, const ReceivedMessage& message,
                                                       const Context& context) {
    const RawMessage m = RawMessage::split(raw);
    return fromProvider(m, fromOf(m), message, context);
}
