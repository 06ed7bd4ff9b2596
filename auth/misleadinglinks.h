#pragma once

#include <QList>
#include <QString>

// Links in an HTML mail whose text shows one domain while the link goes to
// another: "<a href="https://evil.example/">https://bank.example/</a>".
// A link whose text names no domain ("こちら") shows nothing to mislead with.
namespace MisleadingLinks {

struct Link {
    QString shownDomain;  // the domain its text names
    QString targetDomain; // where it goes
};

QList<Link> find(const QString& html);

} // namespace MisleadingLinks
