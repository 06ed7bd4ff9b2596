#include "auth/lookalikedomain.h"

#include <memory>
#include <unicode/uidna.h>
#include <unicode/uspoof.h>

#include "auth/organisationdomain.h"

namespace {

// Names this short differ in one letter by chance ("abc.jp", "abd.jp").
constexpr qsizetype kShortestForEdits = 4;

const UChar* utf16(const QString& s) {
    return reinterpret_cast<const UChar*>(s.utf16());
}

QString skeleton(const QString& s) {
    // One checker a thread: opening one reads ICU's confusables data.
    thread_local const std::unique_ptr<USpoofChecker, decltype(&uspoof_close)> checker = [] {
        UErrorCode opened = U_ZERO_ERROR;
        USpoofChecker* c = uspoof_open(&opened);
        return std::unique_ptr<USpoofChecker, decltype(&uspoof_close)>(U_FAILURE(opened) ? nullptr : c,
                                                                       &uspoof_close);
    }();
    UErrorCode status = U_ZERO_ERROR;
    if (!checker)
        return s;
    QString out(s.size() * 4 + 16, QChar());
    const int32_t n = uspoof_getSkeleton(checker.get(), 0, utf16(s), int32_t(s.size()),
                                         reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &status);
    return U_FAILURE(status) ? s : out.left(n);
}

// One letter changed, added or dropped, or two neighbours swapped.
bool oneEditApart(const QString& a, const QString& b) {
    if (a == b || qAbs(a.size() - b.size()) > 1)
        return false;
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    if (a.size() == b.size()) {
        if (a.mid(i + 1) == b.mid(i + 1))
            return true;
        return i + 1 < a.size() && a[i] == b[i + 1] && a[i + 1] == b[i] && a.mid(i + 2) == b.mid(i + 2);
    }
    const QString& longer = a.size() > b.size() ? a : b;
    const QString& shorter = a.size() > b.size() ? b : a;
    return longer.mid(i + 1) == shorter.mid(i);
}

} // namespace

namespace LookalikeDomain {

QString toUnicode(const QString& domain) {
    const QString lower = domain.toLower();
    if (!lower.contains(QStringLiteral("xn--")))
        return lower;
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UIDNA, decltype(&uidna_close)> idna(uidna_openUTS46(UIDNA_DEFAULT, &status),
                                                        &uidna_close);
    QString out(lower.size() * 2 + 16, QChar());
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const int32_t n = U_FAILURE(status) ? 0
                                        : uidna_nameToUnicode(idna.get(), utf16(lower), int32_t(lower.size()),
                                                              reinterpret_cast<UChar*>(out.data()),
                                                              int32_t(out.size()), &info, &status);
    return U_FAILURE(status) || info.errors != 0 ? lower : out.left(n);
}

std::optional<QString> imitated(const QString& domain, const QStringList& known) {
    return KnownDomains(known).imitated(domain);
}

KnownDomains::KnownDomains(const QStringList& known) {
    for (const QString& k : known) {
        const QString organisation = OrganisationDomain::of(toUnicode(k));
        if (organisation.isEmpty())
            continue;
        organisations_.insert(organisation);
        known_.append({k.toLower(), organisation, skeleton(organisation),
                       organisation.section(QLatin1Char('.'), 0, 0).size() >= kShortestForEdits});
    }
}

std::optional<QString> KnownDomains::imitated(const QString& domain) const {
    const QString own = OrganisationDomain::of(toUnicode(domain));
    if (own.isEmpty() || known_.isEmpty() || organisations_.contains(own))
        return std::nullopt;
    const QString ownSkeleton = skeleton(own);
    for (const Known& k : known_) {
        if (k.skeleton == ownSkeleton || (k.longEnoughForEdits && oneEditApart(own, k.organisation)))
            return k.asGiven;
    }
    return std::nullopt;
}

} // namespace LookalikeDomain
