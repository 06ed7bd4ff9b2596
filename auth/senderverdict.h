#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// What is known of who sent one mail: what its provider (or our own DKIM
// check) found, and the signs of a sender dressed up as another. Kept
// beside the record as a compact ASCII value (encode/decode); the windows
// word it.
struct SenderVerdict {
    // Who judged the mail.
    enum class Source { Provider, OwnCheck };
    // One method's outcome, the RFC 8601 result words.
    enum class Outcome { None, Pass, Fail, SoftFail, Neutral, TempError, PermError };
    // How the mail is shown: the mark in the list and the band's colour.
    enum class Standing { Authenticated, NotAuthenticated, Suspicious };

    // A sign that the sender poses as someone else; `shown` is what the mail
    // shows, `real` what it really is.
    struct Sign {
        enum class Kind {
            AddressInDisplayName, // shown: the address in the name; real: the sender's
            NamesKnownSender,     // shown: the address-book name; real: the sender's address
            LookalikeDomain,      // shown: the known domain it imitates; real: the sender's domain
            MisleadingLink,       // shown: the domain the link's text names; real: where it goes
        };
        Kind kind;
        QString shown;
        QString real;
        friend bool operator==(const Sign&, const Sign&) = default;
    };

    Source source = Source::Provider;
    Outcome spf = Outcome::None;
    Outcome dkim = Outcome::None;
    Outcome dmarc = Outcome::None;
    QString dkimDomain; // the signing domain of the DKIM result taken
    QString fromDomain; // the domain of the From address
    QList<Sign> signs;

    static Outcome outcomeOf(QByteArrayView resultWord);
    // Whether the signing domain belongs to the From domain's organisation.
    bool aligned() const;
    Standing standing() const;

    QByteArray encode() const;
    static std::optional<SenderVerdict> decode(QByteArrayView encoded);

    friend bool operator==(const SenderVerdict&, const SenderVerdict&) = default;
};
