#include <gtest/gtest.h>

#include <algorithm>

#include "auth/authenticationresults.h"
#include "auth/fromaddress.h"
#include "auth/providerverdict.h"
#include "auth/rawmessage.h"

namespace {

// "id: spf=pass smtp.mailfrom=…; dkim=…", the properties that name a domain, in order.
QByteArray summary(const AuthenticationResults& ar) {
    QByteArrayList methods;
    for (const AuthMethodResult& r : ar.results) {
        QByteArrayList words = {r.method + '=' + r.result};
        QByteArrayList keys = r.properties.keys();
        std::sort(keys.begin(), keys.end());
        for (const QByteArray& k : keys) {
            if (k == "header.d" || k == "header.i" || k == "header.from" || k == "smtp.mailfrom")
                words << k + '=' + r.properties.value(k);
        }
        methods << words.join(' ');
    }
    return ar.authservId + ": " + methods.join("; ");
}

struct ParseRow {
    const char* name;
    QByteArray field; // the header field as it came, folded
    QByteArray expected;
};

} // namespace

TEST(AuthenticationResults, readsProvidersPublishedForms) {
    const ParseRow rows[] = {
        {"gmail-with-comments-and-folding",
         "Authentication-Results: mx.google.com;\r\n"
         "       dkim=pass header.i=@example.co.jp header.s=20230601 header.b=AbCd+1;\r\n"
         "       spf=pass (google.com: domain of info@example.co.jp designates 203.0.113.5 as permitted "
         "sender) smtp.mailfrom=info@example.co.jp;\r\n"
         "       dmarc=pass (p=REJECT sp=REJECT dis=NONE) header.from=example.co.jp\r\n",
         "mx.google.com: dkim=pass header.i=@example.co.jp; spf=pass smtp.mailfrom=info@example.co.jp; "
         "dmarc=pass header.from=example.co.jp"},
        {"microsoft365-without-authserv-id",
         "Authentication-Results: spf=fail (sender IP is 198.51.100.7)\r\n"
         " smtp.mailfrom=bank.example; dkim=none (message not signed)\r\n"
         " header.d=none;dmarc=fail action=quarantine header.from=bank.example;compauth=fail reason=000\r\n",
         ": spf=fail smtp.mailfrom=bank.example; dkim=none header.d=none; dmarc=fail "
         "header.from=bank.example; "
         "compauth=fail"},
        {"yahoo-comment-touching-result-and-trailing-semicolon",
         "Authentication-Results: atlas-production.v2.mail-mtas.gq1.yahoo.com;\r\n"
         " dkim=pass header.i=@shop.example header.s=s1;\r\n"
         " spf=softfail smtp.mailfrom=shop.example;\r\n"
         " dmarc=pass(p=NONE) header.from=shop.example;\r\n",
         "atlas-production.v2.mail-mtas.gq1.yahoo.com: dkim=pass header.i=@shop.example; "
         "spf=softfail smtp.mailfrom=shop.example; dmarc=pass header.from=shop.example"},
        {"fastmail-several-signatures-and-policy-properties",
         "Authentication-Results: mx6.messagingengine.com;\r\n"
         "    dkim=pass (2048-bit rsa key sha256) header.d=example.jp header.i=@example.jp header.b=Xy\r\n"
         "      header.a=rsa-sha256 header.s=s1 x-bits=2048;\r\n"
         "    dkim=fail (body hash did not verify) header.d=esp.example header.b=Zz;\r\n"
         "    dmarc=pass policy.published-domain-policy=none (p=none,d=none,d.eval=none) "
         "header.from=example.jp;\r\n"
         "    iprev=pass smtp.remote-ip=203.0.113.5 (mail.example.jp)\r\n",
         "mx6.messagingengine.com: dkim=pass header.d=example.jp header.i=@example.jp; "
         "dkim=fail header.d=esp.example; dmarc=pass header.from=example.jp; iprev=pass"},
        {"rfc8601-version-comment-quoted-reason",
         "Authentication-Results: example.com (a (nested) comment) 1;\r\n"
         "  dkim = pass reason=\"good; signature\" header.i=\"@mail-router.example.net\";\r\n"
         "  dkim/1=fail header.d=newyork.example.com\r\n",
         "example.com: dkim=pass header.i=@mail-router.example.net; dkim=fail header.d=newyork.example.com"},
        {"rfc8601-no-result", "Authentication-Results: example.org 1; none\r\n", "example.org: "},
    };
    for (const ParseRow& row : rows) {
        SCOPED_TRACE(row.name);
        const RawMessage m = RawMessage::split(row.field + "\r\nbody");
        ASSERT_EQ(m.fields.size(), 1);
        const std::optional<AuthenticationResults> ar = AuthenticationResults::parse(m.fields[0].value());
        ASSERT_TRUE(ar.has_value());
        EXPECT_EQ(summary(*ar), row.expected);
    }
    EXPECT_FALSE(AuthenticationResults::parse("two words; spf=pass").has_value());
    EXPECT_FALSE(AuthenticationResults::parse("example.org; no-equals-sign").has_value());
}

namespace {

struct TrustRow {
    const char* name;
    QByteArray headers;
    QByteArray trustedId;
    QByteArray expected; // the verdict's encoding, or empty for none
};

} // namespace

TEST(ProviderVerdict, onlyTheTopmostHeaderOfTheTrustedIdCounts) {
    const QByteArray from = "From: =?UTF-8?B?5LiJ5LqV5L2P5Y+L?= <info@mail.bank.example>\r\n";
    const QByteArray forgedPass = "Authentication-Results: mx.provider.example; spf=pass; dkim=pass "
                                  "header.d=bank.example; dmarc=pass header.from=bank.example\r\n";
    const QByteArray realFail =
        "Authentication-Results: mx.provider.example; spf=fail smtp.mailfrom=x.example; "
        "dkim=none; dmarc=fail header.from=bank.example\r\n";
    const TrustRow rows[] = {
        {"forged-pass-below-the-providers-fail", realFail + forgedPass + from, "mx.provider.example",
         "v1;p;spf=fail;dkim=none;d=;dmarc=fail;f=mail.bank.example"},
        {"forged-pass-of-another-id-above",
         "Authentication-Results: mx.forger.example; dkim=pass "
         "header.d=bank.example\r\n" +
             realFail + from,
         "MX.Provider.Example", "v1;p;spf=fail;dkim=none;d=;dmarc=fail;f=mail.bank.example"},
        {"only-a-forged-header", QByteArray(forgedPass).replace("mx.provider", "mx.forger") + from,
         "mx.provider.example", ""},
        {"no-id-trusted-yet", realFail + from, "", ""},
        {"aligned-subdomain-signature-preferred",
         "Authentication-Results: mx.provider.example; dkim=pass header.d=esp.example; dkim=pass "
         "header.i=@news.bank.example\r\n" +
             from,
         "mx.provider.example", "v1;p;spf=none;dkim=pass;d=news.bank.example;dmarc=none;f=mail.bank.example"},
    };
    for (const TrustRow& row : rows) {
        SCOPED_TRACE(row.name);
        const RawMessage m = RawMessage::split(row.headers + "\r\nbody\r\n");
        const std::optional<AuthenticationResults> ar = ProviderVerdict::trusted(m, row.trustedId);
        ASSERT_EQ(ar.has_value(), !row.expected.isEmpty());
        if (ar) {
            const QString fromDomain = FromAddress::parse(m.all("from").first()->value()).domain();
            EXPECT_EQ(ProviderVerdict::verdict(*ar, fromDomain).encode(), row.expected);
        }
    }
}

TEST(ProviderVerdict, anAccountLearnsTheTopmostId) {
    const RawMessage m = RawMessage::split("Received: x\r\nAuthentication-Results: broken\r\n"
                                           "Authentication-Results: MX.Provider.Example; none\r\n"
                                           "Authentication-Results: mx.forger.example; none\r\n\r\n");
    EXPECT_EQ(ProviderVerdict::topmostAuthservId(m), QByteArray("mx.provider.example"));
    EXPECT_EQ(ProviderVerdict::topmostAuthservId(RawMessage::split("From: a@b\n\nbody")), QByteArray());
}
