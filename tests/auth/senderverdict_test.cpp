#include <gtest/gtest.h>

#include "auth/organisationdomain.h"
#include "auth/senderverdict.h"

TEST(OrganisationDomain, relaxedAlignmentBySameRegisteredDomain) {
    const struct {
        const char* name;
        const char* a;
        const char* b;
        bool same;
    } rows[] = {
        {"subdomain-of-a-co-jp", "mail.example.co.jp", "example.co.jp", true},
        {"sibling-subdomains", "news.example.com", "mail.example.com", true},
        {"trailing-dot-and-case", "EXAMPLE.JP.", "example.jp", true},
        {"two-companies-under-co-jp", "example.co.jp", "other.co.jp", false},
        {"registry-category-is-no-organisation", "co.jp", "example.co.jp", false},
        {"lookalike-suffix", "example.com.evil.jp", "example.com", false},
        {"no-signing-domain", "", "example.com", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(OrganisationDomain::same(QString::fromUtf8(row.a), QString::fromUtf8(row.b)), row.same);
    }
}

TEST(SenderVerdict, standingFromTheMethodsAndSigns) {
    using O = SenderVerdict::Outcome;
    using S = SenderVerdict::Standing;
    const auto v = [](O spf, O dkim, const char* d, O dmarc) {
        SenderVerdict r;
        r.spf = spf;
        r.dkim = dkim;
        r.dkimDomain = QString::fromUtf8(d);
        r.dmarc = dmarc;
        r.fromDomain = QStringLiteral("example.co.jp");
        return r;
    };
    SenderVerdict lookalike = v(O::Pass, O::Pass, "examp1e.co.jp", O::Pass);
    lookalike.signs.append({SenderVerdict::Sign::Kind::LookalikeDomain, QStringLiteral("example.co.jp"),
                            QStringLiteral("examp1e.co.jp")});
    const struct {
        const char* name;
        SenderVerdict verdict;
        S standing;
    } rows[] = {
        {"dmarc-pass", v(O::None, O::None, "", O::Pass), S::Authenticated},
        {"aligned-dkim-without-dmarc", v(O::None, O::Pass, "mail.example.co.jp", O::None), S::Authenticated},
        {"dmarc-fail-despite-foreign-dkim", v(O::Pass, O::Pass, "esp.example", O::Fail), S::Suspicious},
        {"spf-fail-without-dmarc", v(O::Fail, O::None, "", O::None), S::Suspicious},
        {"foreign-signature-only", v(O::Pass, O::Pass, "esp.example", O::None), S::NotAuthenticated},
        {"dns-trouble", v(O::TempError, O::TempError, "example.co.jp", O::None), S::NotAuthenticated},
        {"signs-outweigh-a-pass", lookalike, S::Suspicious},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.verdict.standing(), row.standing);
    }
}

TEST(SenderVerdict, encodingKeepsEveryFieldAndRefusesOtherText) {
    SenderVerdict v;
    v.source = SenderVerdict::Source::OwnCheck;
    v.spf = SenderVerdict::outcomeOf("HardFail");
    v.dkim = SenderVerdict::Outcome::PermError;
    v.dkimDomain = QStringLiteral("例え.jp");
    v.dmarc = SenderVerdict::Outcome::SoftFail;
    v.fromDomain = QStringLiteral("example.jp");
    v.signs = {{SenderVerdict::Sign::Kind::NamesKnownSender, QStringLiteral("三井;住友:カード"),
                QStringLiteral("a%b@x.example")},
               {SenderVerdict::Sign::Kind::MisleadingLink, QStringLiteral("bank.example"),
                QStringLiteral("evil.example")}};
    const QByteArray encoded = v.encode();
    EXPECT_EQ(SenderVerdict::decode(encoded), v);
    EXPECT_EQ(encoded.count(';'), 8);
    for (const char* broken :
         {"", "v2;p", "v1;x", "v1;p;spf=maybe", "v1;p;sign=nosuch:a:b", "v1;p;sign=link:a"})
        EXPECT_FALSE(SenderVerdict::decode(broken).has_value()) << broken;
}
