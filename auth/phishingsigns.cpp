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

QList<Sign> find(const FromAddress& from, const QString& subject, const QString& html, const Known& known) {
    QList<Sign> signs;
    const QString address = from.address.toLower();
    const QString domain = from.domain();

    static const QRegularExpression addressInName(
        QStringLiteral(R"re([^\s<>"'@()]+@[^\s<>"'@()]+\.[^\s<>"'@()]+)re"));
    const QRegularExpressionMatch inName =
        addressInName.match(from.displayName.normalized(QString::NormalizationForm_KC));
    if (inName.hasMatch() && inName.captured().toLower() != address)
        signs.append({Sign::Kind::AddressInDisplayName, inName.captured(), from.address});

    bool inAddressBook = false;
    for (const Known::Entry& e : known.addressBook)
        inAddressBook = inAddressBook || e.address.toLower() == address;
    if (!inAddressBook) {
        const QString name = folded(from.displayName);
        const QString foldedSubject = folded(subject);
        for (const Known::Entry& e : known.addressBook) {
            const QString entry = folded(e.name);
            if (entry.isEmpty() || OrganisationDomain::same(domainOf(e.address), domain))
                continue;
            const bool longEnough = entry.size() >= kShortestNameInText;
            if (name == entry || (longEnough && (name.contains(entry) || foldedSubject.contains(entry)))) {
                signs.append({Sign::Kind::NamesKnownSender, e.name, from.address});
                break;
            }
        }
    }

    QStringList knownDomains = known.previousSenderDomains;
    for (const Known::Entry& e : known.addressBook)
        knownDomains.append(domainOf(e.address));
    if (const std::optional<QString> imitated = LookalikeDomain::imitated(domain, knownDomains))
        signs.append({Sign::Kind::LookalikeDomain, *imitated, domain});

    for (const MisleadingLinks::Link& link : MisleadingLinks::find(html))
        signs.append({Sign::Kind::MisleadingLink, link.shownDomain, link.targetDomain});
    return signs;
}

} // namespace PhishingSigns
