#pragma once

#include <QByteArray>
#include <optional>

#include "auth/authenticationresults.h"
#include "auth/rawmessage.h"
#include "auth/senderverdict.h"

// The verdict a mail's own provider wrote into it. Any sender can write an
// Authentication-Results header; only the provider's counts: the topmost
// one with the authserv-id the account trusts. Headers below it, and those
// of other ids, are the sender's own words (RFC 8601 section 7.2).
namespace ProviderVerdict {

// The authserv-id of the topmost Authentication-Results header, which an
// account comes to trust from its first mail; empty when there is none.
QByteArray topmostAuthservId(const RawMessage& message);
std::optional<AuthenticationResults> trusted(const RawMessage& message, QByteArrayView trustedId);
// What the results say of a mail from `fromDomain`.
SenderVerdict verdict(const AuthenticationResults& results, const QString& fromDomain);

} // namespace ProviderVerdict
