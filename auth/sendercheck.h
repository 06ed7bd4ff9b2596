#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

#include "auth/dkimverifier.h"
#include "auth/phishingsigns.h"
#include "auth/senderverdict.h"
#include "mime/receivedmessage.h"

// Who sent one mail, from the bytes its server sent and the message decoded
// from them: the verdict of the account's provider where it wrote one under
// the trusted authserv-id, else our own DKIM check, and in both cases the
// signs of a sender posing as a known one.
class SenderCheck {
  public:
    struct Context {
        QByteArray trustedAuthservId; // empty: no provider trusted yet
        PhishingSigns::KnownSenders known;
    };

    explicit SenderCheck(DkimVerifier verifier);

    SenderVerdict check(QByteArrayView raw, const ReceivedMessage& message, const Context& context,
                        const QDateTime& now) const;
    // Only the provider's word, no lookup: for mail taken in from files, whose
    // keys may have changed since it was sent. Nothing without a trusted header.
    static std::optional<SenderVerdict> providerOnly(QByteArrayView raw, const ReceivedMessage& message,
                                                     const Context& context);

  private:
    DkimVerifier verifier_;
};
