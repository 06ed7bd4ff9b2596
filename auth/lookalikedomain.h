#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

// Whether a sender's domain poses as one the reader knows: drawn with
// characters confusable with its own (Unicode TS #39 skeletons, through
// ICU's spoof checker, on the Unicode form of a punycode name), or one
// letter away from it (a letter changed, added, dropped, or two neighbours
// swapped). Domains are compared by the organisation that holds them, so a
// subdomain of a known domain is that organisation, not its look-alike.
namespace LookalikeDomain {

// The Unicode form of a domain written in punycode ("xn--…"), in lower case.
QString toUnicode(const QString& domain);
// The known domain `domain` imitates; none when it is one of them or like none.
std::optional<QString> imitated(const QString& domain, const QStringList& known);

// Known domains read once (their organisations and skeletons), so that each
// of a check's many mails costs one skeleton, not one for every known domain.
class KnownDomains {
  public:
    KnownDomains() = default;
    explicit KnownDomains(const QStringList& known);
    std::optional<QString> imitated(const QString& domain) const;

  private:
    struct Known {
        QString asGiven;
        QString organisation;
        QString skeleton;
        bool longEnoughForEdits = false;
    };
    QList<Known> known_;
    QSet<QString> organisations_;
};

} // namespace LookalikeDomain
