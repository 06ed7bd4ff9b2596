#include "auth/misleadinglinks.h"

#include <QRegularExpression>
#include <QUrl>

#include "auth/lookalikedomain.h"
#include "auth/organisationdomain.h"

namespace {

QString textOf(QString html) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    html.remove(tag);
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
        .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    // Full-width letters and dots read as the ASCII ones they show.
    return html.normalized(QString::NormalizationForm_KC);
}

} // namespace

namespace MisleadingLinks {

QList<Link> find(const QString& html) {
    static const QRegularExpression anchor(
        QStringLiteral(R"re(<a\b[^>]*?\bhref\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+))[^>]*>(.*?)</a\s*>)re"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression domainInText(
        QStringLiteral(R"re((?:[\p{L}\p{N}](?:[\p{L}\p{N}-]*[\p{L}\p{N}])?\.)+([A-Za-z]{2,})\b)re"));
    // A file's name in a link's text is no domain ("明細.pdf").
    static const QStringList fileEndings = {
        QStringLiteral("htm"), QStringLiteral("html"), QStringLiteral("pdf"), QStringLiteral("jpg"),
        QStringLiteral("png"), QStringLiteral("gif"),  QStringLiteral("zip"), QStringLiteral("txt"),
        QStringLiteral("doc"), QStringLiteral("docx"), QStringLiteral("xls"), QStringLiteral("xlsx"),
        QStringLiteral("exe")};
    QList<Link> found;
    for (auto it = anchor.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString href = (m.captured(1) + m.captured(2) + m.captured(3)).trimmed();
        const QUrl target(textOf(href));
        if (target.scheme() != QLatin1String("http") && target.scheme() != QLatin1String("https"))
            continue;
        const QRegularExpressionMatch shown = domainInText.match(textOf(m.captured(4)));
        if (!shown.hasMatch() || fileEndings.contains(shown.captured(1).toLower()))
            continue;
        const QString shownDomain = LookalikeDomain::toUnicode(shown.captured());
        const QString targetDomain = LookalikeDomain::toUnicode(target.host());
        if (!OrganisationDomain::same(shownDomain, targetDomain))
            found.append({shownDomain, targetDomain});
    }
    return found;
}

} // namespace MisleadingLinks
