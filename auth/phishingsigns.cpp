#include "auth/phishingsigns.h"

#include <QRegularExpression>

#include "auth/lookalikedomain.h"
#include "auth/misleadinglinks.h"
#include "auth/organisationdomain.h"

namespace {

using Sign = SenderVerdict::Sign;

// Names are compared as they read: full-width and half-width alike, spaces
// and case ignored.
QString folded(const QString& s) {
    static const QRegularExpression space(QStringLiteral("\\s"));
    QString out = s.normalized(QString::NormalizationForm_KC).toCaseFolded();
    out.remove(space);
    return out;
}

QString domainOf(const QString& address) {
    return address.section(QLatin1Char('@'), -1).toLower();
}

// A name this short turns up inside other names and subjects by chance
// ("田中" in "田中さんの件"); it counts only where it is the whole name.
constexpr qsizetype kShortestNameInText = 4;

} // namespace

namespace PhishingSigns {

KnownSenders::KnownSenders(const Known& known)
    : domains_([&] {
          QStringList domains = known.previousSenderDomains;
          for (const Known::Entry& e : known.addressBook)
              domains.append(domainOf(e.address));
          return LookalikeDomain::KnownDomains(domains);
      }()) {
    for (const Known::Entry& e : known.addressBook) {
        book_.append({e.name, folded(e.name), domainOf(e.address)});
        bookAddresses_.insert(e.address.toLower());
    }
}

QList<Sign> find(const FromAddress& from, const QString& subject, const QString& html,
                 const KnownSenders& known) {
    QList<Sign> signs;
    const QString address = from.address.toLower();
    const QString domain = from.domain();

    static const QRegularExpression addressInName(
        QStringLiteral(R"re([^\s<>"'@()]+@[^\s<>"'@()]+\.[^\s<>"'@()]+)re"));
    const QRegularExpressionMatch inName =
        addressInName.match(from.displayName.normalized(QString::NormalizationForm_KC));
    if (inName.hasMatch() && inName.captured().toLower() != address)
        signs.append({Sign::Kind::AddressInDisplayName, inName.captured(), from.address});

    if (!known.bookAddresses_.contains(address)) {
        const QString name = folded(from.displayName);
        const QString foldedSubject = folded(subject);
        for (const KnownSenders::Entry& e : known.book_) {
            const bool longEnough = e.foldedName.size() >= kShortestNameInText;
            const bool named =
                !e.foldedName.isEmpty() &&
                (name == e.foldedName ||
                 (longEnough && (name.contains(e.foldedName) || foldedSubject.contains(e.foldedName))));
            // Named by someone of the entry's own organisation: a colleague, not an impostor.
            if (named && !OrganisationDomain::same(e.domain, domain)) {
                signs.append({Sign::Kind::NamesKnownSender, e.name, from.address});
                break;
            }
        }
    }

    if (const std::optional<QString> imitated = known.domains_.imitated(domain))
        signs.append({Sign::Kind::LookalikeDomain, *imitated, domain});

    for (const MisleadingLinks::Link& link : MisleadingLinks::find(html))
        signs.append({Sign::Kind::MisleadingLink, link.shownDomain, link.targetDomain});
    return signs;
}

} // namespace PhishingSigns
