#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <optional>

// One method's result in an Authentication-Results header (RFC 8601):
// "dkim=pass header.d=example.jp".
struct AuthMethodResult {
    QByteArray method; // lower case: "spf", "dkim", "dmarc", …
    QByteArray result; // lower case: "pass", "fail", "softfail", …
    // "ptype.property" in lower case to its value, quotes removed: "header.d" -> "example.jp".
    QHash<QByteArray, QByteArray> properties;
};

// The verdict one receiving server wrote into an Authentication-Results
// header: who wrote it (its authserv-id) and what each method found.
// Comments, folding and quoted values are read as RFC 8601 writes them; an
// unknown method or property is kept as it stands.
struct AuthenticationResults {
    QByteArray authservId; // lower case; empty where the server wrote none (Microsoft 365)
    QList<AuthMethodResult> results;

    // Nothing when the value is not an Authentication-Results value at all.
    static std::optional<AuthenticationResults> parse(QByteArrayView value);

    // The first result of `method`, preferring a pass: a mail signed twice
    // passes when one signature holds.
    const AuthMethodResult* best(QByteArrayView method) const;
};
