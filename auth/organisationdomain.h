#pragma once

#include <QString>

// The domain an organisation registered, from a host name: the last two
// labels, or the last three under a country's registry category ("co.jp",
// "ne.jp", "co.uk", "com.au"). A rough stand-in for the Public Suffix List,
// which the program does not carry: names under a Japanese prefecture or
// city ("tokyo.jp") or a private suffix ("github.io") come out one label too
// short, so two of their holders count as one organisation.
namespace OrganisationDomain {

QString of(const QString& host);
// Whether `a` and `b` have one organisation domain (DMARC's relaxed alignment).
bool same(const QString& a, const QString& b);

} // namespace OrganisationDomain
