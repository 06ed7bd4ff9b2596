#include <gtest/gtest.h>

#include "auth/sendercheck.h"
#include "mime/mimedecoder.h"
#include "tests/support/dkimtestkey.h"
#include "tests/support/loopbackdns.h"

using namespace std::chrono_literals;

namespace {

const QByteArray kHtmlMail =
    "From: Shop <info@example.co.jp>\r\n"
    "Subject: =?UTF-8?B?44GU5rOo5paH?=\r\n"
    "Date: Tue, 8 Dec 2026 07:00:00 +0900\r\n"
    "MIME-Version: 1.0\r\n"
    "Content-Type: multipart/alternative; boundary=b\r\n"
    "\r\n"
    "--b\r\nContent-Type: text/plain\r\n\r\nSee www.example.co.jp\r\n"
    "--b\r\nContent-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: base64\r\n\r\n"
    "PGEgaHJlZj0iaHR0cHM6Ly9ldmlsLmV4YW1wbGUvIj53d3cuZXhhbXBsZS5jby5qcDwvYT4=\r\n"
    "--b--\r\n";

} // namespace

TEST(SenderCheck, theTrustedProviderSpeaksElseOurOwnSignatureCheck) {
    const DkimTestKey key("ed25519");
    LoopbackDns dns({{"sel._domainkey.example.co.jp", {key.record()}}});
    const DnsTxtLookup lookup({QStringLiteral("127.0.0.1"), dns.port()}, 500ms);
    const SenderCheck check(DkimVerifier([&](const QByteArray& name) { return lookup.lookup(name); }));
    const SenderCheck::Context context{"mx.provider.example", {}};
    const QByteArray providerFail =
        "Authentication-Results: mx.provider.example; dkim=fail header.d=example.co.jp; "
        "dmarc=fail header.from=example.co.jp\r\n";
    const QByteArray signedMail = key.sign(kHtmlMail, "relaxed/relaxed");
    const struct {
        const char* name;
        QByteArray raw;
        const char* verdict;
        qsizetype lookups;
    } rows[] = {
        {"provider-verdict-without-a-lookup", providerFail + signedMail,
         "v1;p;spf=none;dkim=fail;d=example.co.jp;dmarc=fail;f=example.co.jp;sign=link:www.example.co.jp:"
         "evil.example",
         0},
        {"own-check-where-only-a-forger-wrote-one",
         QByteArray(providerFail).replace("mx.provider", "mx.forger") + signedMail,
         "v1;o;spf=none;dkim=pass;d=example.co.jp;dmarc=none;f=example.co.jp;sign=link:www.example.co.jp:"
         "evil.example",
         1},
        {"unsigned-without-a-verdict", kHtmlMail,
         "v1;o;spf=none;dkim=none;d=;dmarc=none;f=example.co.jp;sign=link:www.example.co.jp:evil.example", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const qsizetype before = dns.asked().size();
        const ReceivedMessage message = MimeDecoder::decode(row.raw);
        EXPECT_EQ(check.check(row.raw, message, context, QDateTime::currentDateTimeUtc()).encode(),
                  QByteArray(row.verdict));
        EXPECT_EQ(dns.asked().size() - before, row.lookups);
    }
    EXPECT_FALSE(SenderCheck::providerOnly(signedMail, MimeDecoder::decode(signedMail), context).has_value());
    EXPECT_EQ(
        SenderCheck::providerOnly(providerFail + kHtmlMail, MimeDecoder::decode(kHtmlMail), context)->dmarc,
        SenderVerdict::Outcome::Fail);
}
