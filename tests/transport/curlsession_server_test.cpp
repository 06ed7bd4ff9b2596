// Pinning a server's key in place of the certificate checks, against the
// real Postfix and its self-signed certificate.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "transport/curlsession.h"

TEST(CurlSessionPinning, aPinLibcurlRefusesFailsAndLeavesTheCertificateChecksOn) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    const QString server = TestMailServers::smtpsServer();
    CurlSession session({5, 5});
    const QByteArray url = server.toLatin1();
    curl_easy_setopt(session.handle(), CURLOPT_URL, url.constData());
    // libcurl takes no option text over 8,000,000 bytes: where the TLS
    // backend pins, the one refusal of a pin a test can bring about. A
    // backend without pinning refuses it the same way (CURLE_NOT_BUILT_IN).
    const Status pinned = session.pinPublicKey(QByteArray(8'000'001, 'A'), server);
    ASSERT_FALSE(pinned.ok());
    EXPECT_EQ(pinned.error().kind, Error::Kind::KeyNotPinned);
    EXPECT_EQ(pinned.error().name, server);
    EXPECT_FALSE(session.perform());
    EXPECT_EQ(session.lastResult(), CURLE_PEER_FAILED_VERIFICATION)
        << "the self-signed certificate still fails";
}
