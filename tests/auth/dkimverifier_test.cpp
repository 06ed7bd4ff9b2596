#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "auth/dkimcanonical.h"
#include "auth/dkimverifier.h"
#include "auth/signaturecheck.h"
#include "tests/support/dkimtestkey.h"
#include "tests/support/loopbackdns.h"

using namespace std::chrono_literals;

namespace {

using Finding = DkimVerifier::Finding;

const QByteArray kMail = "From: =?UTF-8?B?5LiJ5LqV?= <info@example.co.jp>\r\n"
                         "To: you@example.jp\r\n"
                         "Subject: Your  order\r\n"
                         "Date: Tue, 8 Dec 2026 07:00:00 +0900\r\n"
                         "\r\n"
                         "Thank you.  \r\n"
                         "Your order has shipped.\r\n";

DnsTxtLookup lookupAt(const LoopbackDns& dns) {
    return DnsTxtLookup({QStringLiteral("127.0.0.1"), dns.port()}, 300ms);
}

} // namespace

TEST(DkimCanonical, rfc6376Example) {
    const QByteArray a = "A: X\r\n";
    const QByteArray b = "B : Y\t\r\n\tZ  \r\n";
    const QByteArray body = " C \r\nD \t E\r\n\r\n\r\n";
    using F = DkimCanonical::Form;
    EXPECT_EQ(DkimCanonical::header(a, F::Relaxed) + DkimCanonical::header(b, F::Relaxed),
              QByteArray("a:X\r\nb:Y Z\r\n"));
    EXPECT_EQ(DkimCanonical::header(b, F::Simple), b);
    EXPECT_EQ(DkimCanonical::body(body, F::Relaxed), QByteArray(" C\r\nD E\r\n"));
    EXPECT_EQ(DkimCanonical::body(body, F::Simple), QByteArray(" C \r\nD \t E\r\n"));
    EXPECT_EQ(DkimCanonical::body("", F::Simple), QByteArray("\r\n"));
    EXPECT_EQ(DkimCanonical::body("\r\n\r\n", F::Relaxed), QByteArray());
}

TEST(DkimVerifier, findsWhatBecameOfEachSignature) {
    const DkimTestKey rsa("rsa");
    const DkimTestKey ed("ed25519");
    LoopbackDns dns({{"sel._domainkey.example.co.jp", {rsa.record()}},
                     {"ed._domainkey.example.co.jp", {ed.record()}},
                     {"revoked._domainkey.example.co.jp", {"v=DKIM1; k=rsa; p="}}},
                    {"slow._domainkey.example.co.jp"});
    const DnsTxtLookup lookup = lookupAt(dns);
    const DkimVerifier verifier([&](const QByteArray& name) { return lookup.lookup(name); });
    QByteArray refolded = rsa.sign(kMail, "relaxed/relaxed");
    refolded.replace("Subject: Your  order", "subject:Your\r\n order").append("\r\n\r\n");
    QByteArray simpleRefolded = rsa.sign(kMail, "simple/simple");
    simpleRefolded.replace("Subject: Your  order", "Subject: Your order");
    const struct {
        const char* name;
        QByteArray mail;
        Finding finding;
    } rows[] = {
        {"rsa-relaxed-valid", rsa.sign(kMail, "relaxed/relaxed"), Finding::Verified},
        {"ed25519-simple-valid", ed.sign(kMail, "simple/simple", {}, "ed"), Finding::Verified},
        {"body-changed", rsa.sign(kMail, "relaxed/relaxed").replace("shipped", "shipped to a new address"),
         Finding::BodyChanged},
        {"header-changed", ed.sign(kMail, "relaxed/simple", {}, "ed").replace("Your  order", "Your refund"),
         Finding::HeadersChanged},
        {"relaxed-forgives-refolding-and-trailing-lines", refolded, Finding::Verified},
        {"simple-forgives-no-white-space-change", simpleRefolded, Finding::HeadersChanged},
        {"l-tag-leaves-an-appended-footer-out",
         rsa.sign(kMail, "simple/simple", "l=26") + "-- list footer\r\n", Finding::Verified},
        {"l-tag-longer-than-the-body",
         rsa.sign(kMail, "simple/simple", "l=26").replace("Your order has", "X"), Finding::BodyChanged},
        // Headers are taken from the bottom up (RFC 6376 section 5.4.2): one added above the signed is not
        // it.
        {"subject-added-above-the-signed-one",
         "Subject: added later\r\n" + rsa.sign(kMail, "relaxed/relaxed"), Finding::Verified},
        {"expired", rsa.sign(kMail, "relaxed/relaxed", "x=1700000000"), Finding::Expired},
        {"key-missing", rsa.sign(kMail, "relaxed/relaxed", {}, "gone"), Finding::NoKey},
        {"key-revoked", rsa.sign(kMail, "relaxed/relaxed", {}, "revoked"), Finding::KeyRevoked},
        {"ed25519-key-for-an-rsa-signature", rsa.sign(kMail, "relaxed/relaxed", {}, "ed"),
         Finding::KeyUnusable},
        {"dns-silent", rsa.sign(kMail, "relaxed/relaxed", {}, "slow"), Finding::DnsUnanswered},
        {"from-not-signed", rsa.sign(kMail, "relaxed/relaxed").replace("h=from:", "h="), Finding::Malformed},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QList<DkimVerifier::Signature> found =
            verifier.verify(RawMessage::split(row.mail), QDateTime::fromSecsSinceEpoch(1800000000));
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found[0].finding, row.finding);
        EXPECT_EQ(found[0].domain, QStringLiteral("example.co.jp"));
    }
}

// A message signed by others, with the keys they published: RFC 8463's
// example (appendix A), one Ed25519 and one RSA signature over the same
// mail, as any verifier must find it.
const QByteArray kRfc8463Mail = "DKIM-Signature: v=1; a=ed25519-sha256; c=relaxed/relaxed;\r\n"
                                " d=football.example.com; i=@football.example.com;\r\n"
                                " q=dns/txt; s=brisbane; t=1528637909; h=from : to :\r\n"
                                " subject : date : message-id : from : subject : date;\r\n"
                                " bh=2jUSOH9NhtVGCQWNr9BrIAPreKQjO6Sn7XIkfJVOzv8=;\r\n"
                                " b=/gCrinpcQOoIfuHNQIbq4pgh9kyIK3AQUdt9OdqQehSwhEIug4D11Bus\r\n"
                                " Fa3bT3FY5OsU7ZbnKELq+eXdp1Q1Dw==\r\n"
                                "DKIM-Signature: v=1; a=rsa-sha256; c=relaxed/relaxed;\r\n"
                                " d=football.example.com; i=@football.example.com;\r\n"
                                " q=dns/txt; s=test; t=1528637909; h=from : to : subject :\r\n"
                                " date : message-id : from : subject : date;\r\n"
                                " bh=2jUSOH9NhtVGCQWNr9BrIAPreKQjO6Sn7XIkfJVOzv8=;\r\n"
                                " b=F45dVWDfMbQDGHJFlXUNB2HKfbCeLRyhDXgFpEL8GwpsRe0IeIixNTe3\r\n"
                                " DhCVlUrSjV4BwcVcOF6+FF3Zo9Rpo1tFOeS9mPYQTnGdaSGsgeefOsk2Jz\r\n"
                                " dA+L10TeYt9BgDfQNZtKdN1WO//KgIqXP7OdEFE4LjFYNcUxZQ4FADY+8=\r\n"
                                "From: Joe SixPack <joe@football.example.com>\r\n"
                                "To: Suzie Q <suzie@shopping.example.net>\r\n"
                                "Subject: Is dinner ready?\r\n"
                                "Date: Fri, 11 Jul 2003 21:00:37 -0700 (PDT)\r\n"
                                "Message-ID: <20030712040037.46341.5F8J@football.example.com>\r\n"
                                "\r\n"
                                "Hi.\r\n"
                                "\r\n"
                                "We lost the game.  Are you hungry yet?\r\n"
                                "\r\n"
                                "Joe.\r\n";
const QByteArray kRfc8463Ed25519Key = "v=DKIM1; k=ed25519; p=11qYAYKxCrfVS/7TyWQHOg7hcvPapiMlrwIaaPcHURo=";
const QByteArray kRfc8463RsaKey = "v=DKIM1; k=rsa; p=MIGfMA0GCSqGSIb3DQEBAQUAA4GNADCBiQKBgQDkHlOQoBTzWR"
                                  "iGs5V6NpP3idY6Wk08a5qhdR6wy5bdOKb2jLQiY/J16JYi0Qvx/byYzCNb3W91y3FutAC"
                                  "DfzwQ/BC/e/8uBsCR+yz1Lxj+PL6lHvqMKrM3rG4hstT5QjvHO9PzoxZyVYLzBfO2EeC3"
                                  "Ip3G+2kryOTIKT+l/K4w3QIDAQAB";

TEST(DkimVerifier, messagesSignedByOthersWithTheirPublishedKeys) {
    const struct {
        const char* name;
        QByteArray mail;
        QByteArray ed25519Key; // at brisbane._domainkey.football.example.com
        QByteArray rsaKey;     // at test._domainkey.football.example.com
        QList<Finding> findings;
    } rows[] = {
        {"rfc8463-both-signatures",
         kRfc8463Mail,
         kRfc8463Ed25519Key,
         kRfc8463RsaKey,
         {Finding::Verified, Finding::Verified}},
        // The keys of one algorithm in place of the other's.
        {"rfc8463-keys-swapped",
         kRfc8463Mail,
         kRfc8463RsaKey,
         kRfc8463Ed25519Key,
         {Finding::KeyUnusable, Finding::KeyUnusable}},
        {"rfc8463-answer-refolded-in-transit",
         QByteArray(kRfc8463Mail).replace("Subject: Is dinner ready?", "Subject:   Is dinner\r\n\tready?  "),
         kRfc8463Ed25519Key,
         kRfc8463RsaKey,
         {Finding::Verified, Finding::Verified}},
        {"rfc8463-answer-altered",
         QByteArray(kRfc8463Mail).replace("lost", "won"),
         kRfc8463Ed25519Key,
         kRfc8463RsaKey,
         {Finding::BodyChanged, Finding::BodyChanged}},
        {"rfc8463-ed25519-key-withdrawn",
         kRfc8463Mail,
         {},
         kRfc8463RsaKey,
         {Finding::NoKey, Finding::Verified}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QHash<QByteArray, QList<QByteArray>> zone;
        if (!row.ed25519Key.isEmpty())
            zone.insert("brisbane._domainkey.football.example.com", {row.ed25519Key});
        zone.insert("test._domainkey.football.example.com", {row.rsaKey});
        LoopbackDns dns(zone);
        const DnsTxtLookup lookup = lookupAt(dns);
        const DkimVerifier verifier([&](const QByteArray& name) { return lookup.lookup(name); });
        QList<Finding> findings;
        for (const DkimVerifier::Signature& s :
             verifier.verify(RawMessage::split(row.mail), QDateTime::fromSecsSinceEpoch(1800000000)))
            findings << s.finding;
        EXPECT_EQ(findings, row.findings);
    }
}

TEST(DkimVerifier, verdictTakesTheSignatureOfTheFromOrganisation) {
    using O = SenderVerdict::Outcome;
    const struct {
        const char* name;
        QList<DkimVerifier::Signature> found;
        O dkim;
        const char* domain;
    } rows[] = {
        {"aligned-pass-over-foreign-pass",
         {{Finding::Verified, QStringLiteral("esp.example")},
          {Finding::Verified, QStringLiteral("news.example.co.jp")}},
         O::Pass,
         "news.example.co.jp"},
        {"any-pass-over-a-failure",
         {{Finding::BodyChanged, QStringLiteral("example.co.jp")},
          {Finding::Verified, QStringLiteral("esp.example")}},
         O::Pass,
         "esp.example"},
        {"dns-silent-is-unknown",
         {{Finding::DnsUnanswered, QStringLiteral("example.co.jp")}},
         O::TempError,
         "example.co.jp"},
        {"revoked-key",
         {{Finding::KeyRevoked, QStringLiteral("example.co.jp")}},
         O::PermError,
         "example.co.jp"},
        {"unsigned", {}, O::None, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const SenderVerdict v = DkimVerifier::verdict(row.found, QStringLiteral("example.co.jp"));
        EXPECT_EQ(v.source, SenderVerdict::Source::OwnCheck);
        EXPECT_EQ(v.dkim, row.dkim);
        EXPECT_EQ(v.dkimDomain, QString::fromUtf8(row.domain));
    }
}

TEST(DnsTxtLookup, answersNamesAndFailuresOfTheServer) {
    const QByteArray longKey = "v=DKIM1; p=" + QByteArray(600, 'A');
    LoopbackDns dns({{"long.example.jp", {longKey}}, {"two.example.jp", {"first", "second"}}},
                    {"slow.example.jp"});
    const DnsTxtLookup lookup = lookupAt(dns);
    using S = DnsTxtLookup::Answer::Status;
    EXPECT_EQ(lookup.lookup("long.example.jp").records, QList<QByteArray>{longKey});
    EXPECT_EQ(lookup.lookup("two.example.jp").records, (QList<QByteArray>{"first", "second"}));
    EXPECT_EQ(lookup.lookup("gone.example.jp").status, S::NoSuchName);
    EXPECT_EQ(lookup.lookup("slow.example.jp").status, S::Failed);
    EXPECT_EQ(dns.asked().size(), 4);

    QTemporaryFile conf;
    ASSERT_TRUE(conf.open());
    conf.write("# written by hand\nsearch example.jp\nnameserver 192.0.2.53\nnameserver 192.0.2.54\n");
    conf.close();
    EXPECT_EQ(DnsTxtLookup::systemServer(conf.fileName())->address, QStringLiteral("192.0.2.53"));
    EXPECT_FALSE(DnsTxtLookup::systemServer(conf.fileName() + QStringLiteral(".none")).has_value());
}
