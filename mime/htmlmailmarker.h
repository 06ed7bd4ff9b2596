#pragma once

#include <QString>

// The built-in text whose presence in a body makes a mail an HTML mail that
// another copy of this program sent: the page index.htm and its files travel
// as attachments. Sender and receiver must agree on it exactly.
inline const QString HtmlMailMarker = QStringLiteral("HTML送信QFM5270XBNWRD4618");

// Exact, case-sensitive, anywhere in the decoded body.
inline bool IsHtmlMail(const QString& body) {
    return body.contains(HtmlMailMarker, Qt::CaseSensitive);
}
