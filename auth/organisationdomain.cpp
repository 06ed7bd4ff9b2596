#include "auth/organisationdomain.h"

#include <QStringList>

namespace {

bool isRegistryCategory(const QString& label) {
    static const QStringList categories = {
        QStringLiteral("ac"),  QStringLiteral("ad"),  QStringLiteral("co"),  QStringLiteral("ed"),
        QStringLiteral("go"),  QStringLiteral("gr"),  QStringLiteral("lg"),  QStringLiteral("ne"),
        QStringLiteral("or"),  QStringLiteral("com"), QStringLiteral("net"), QStringLiteral("org"),
        QStringLiteral("gov"), QStringLiteral("edu"),
    };
    return categories.contains(label);
}

} // namespace

namespace OrganisationDomain {

QString of(const QString& host) {
    QString h = host.toLower();
    while (h.endsWith(QLatin1Char('.')))
        h.chop(1);
    const QStringList labels = h.split(QLatin1Char('.'));
    qsizetype keep = 2;
    if (labels.size() >= 3 && labels.last().size() == 2 && isRegistryCategory(labels[labels.size() - 2]))
        keep = 3;
    if (labels.size() <= keep)
        return h;
    return labels.mid(labels.size() - keep).join(QLatin1Char('.'));
}

bool same(const QString& a, const QString& b) {
    return !a.isEmpty() && !b.isEmpty() && of(a) == of(b);
}

} // namespace OrganisationDomain
