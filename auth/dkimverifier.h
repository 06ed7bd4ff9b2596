#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>

#include "auth/dnstxtlookup.h"
#include "auth/rawmessage.h"
#include "auth/senderverdict.h"

// Our own check of a mail's DKIM signatures (RFC 6376, with ed25519-sha256
// of RFC 8463) where its provider wrote no verdict: on the header fields
// and body exactly as the server sent them, each signature's key looked up
// in DNS at selector._domainkey.domain.
class DkimVerifier {
  public:
    // What became of one signature.
    enum class Finding {
        Verified,
        BodyChanged,    // the body hash differs: the body was changed after signing
        HeadersChanged, // the signature does not hold over the signed header fields
        Expired,        // its x= lies in the past
        Malformed,      // a tag is missing or wrong, or an algorithm we do not know
        NoKey,          // the domain publishes no key under the selector
        KeyRevoked,     // the key record is there with an empty p=
        KeyUnusable,    // the key cannot be read, or is of another type than the signature
        DnsUnanswered,  // DNS gave no answer in time: nothing is known
    };
    struct Signature {
        Finding finding;
        QString domain; // d=, lower case
    };
    using KeyLookup = std::function<DnsTxtLookup::Answer(const QByteArray& name)>;

    // At most `maxSignatures` are checked, each costing a lookup.
    explicit DkimVerifier(KeyLookup lookup, int maxSignatures = 4);

    QList<Signature> verify(const RawMessage& message, const QDateTime& now) const;
    // The verdict the signatures give a mail from `fromDomain`: the one that
    // holds for the From domain's organisation, else any that holds, else the first.
    static SenderVerdict verdict(const QList<Signature>& signatures, const QString& fromDomain);

  private:
    Signature verifyOne(const RawMessage& message, const RawHeaderField& field, const QDateTime& now) const;

    KeyLookup lookup_;
    int maxSignatures_;
};
