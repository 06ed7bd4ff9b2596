#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include "auth/fromaddress.h"
#include "auth/lookalikedomain.h"
#include "auth/senderverdict.h"

// The signs of a sender dressed up as someone the reader knows, beyond what
// authentication proves: a display name holding another address, a name or
// subject naming an address-book entry while the mail comes from elsewhere,
// a domain made to look like a known one, links whose text shows one domain
// and whose target is another.
namespace PhishingSigns {

// Whom the reader knows.
struct Known {
    struct Entry {
        QString name;
        QString address;
    };
    QList<Entry> addressBook;
    // Domains mail came from before (best only those that were authenticated:
    // a look-alike's own domain must not become a known one).
    QStringList previousSenderDomains;
};

// Whom the reader knows, read once for the many mails of a check: names
// folded, addresses in lower case, domains with their skeletons.
class KnownSenders {
  public:
    KnownSenders() = default;
    explicit KnownSenders(const Known& known);

  private:
    friend QList<SenderVerdict::Sign> find(const FromAddress&, const QString&, const QString&,
                                           const KnownSenders&);
    struct Entry {
        QString name;
        QString foldedName;
        QString domain;
    };
    QList<Entry> book_;
    QSet<QString> bookAddresses_;
    LookalikeDomain::KnownDomains domains_;
};

QList<SenderVerdict::Sign> find(const FromAddress& from, const QString& subject, const QString& html,
                                const KnownSenders& known);

} // namespace PhishingSigns
