// Certificates the user trusted, kept per host.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/tempfolder.h"
#include "transport/certificatetrust.h"

TEST(CertificateTrust, aTrustedFingerprintHoldsForItsHostOnly) {
    TempFolder data;
    const QString file = data.file(QStringLiteral("trusted-certificates"));
    WriteBytes(file, "old.example.jp 11:22\n");
    const CertificateTrust trust(file, {});
    ASSERT_TRUE(trust.trust(QStringLiteral("mail.example.jp"), QStringLiteral("AB:CD")).ok());
    EXPECT_TRUE(trust.isTrusted(QStringLiteral("mail.example.jp"), QStringLiteral("AB:CD")));
    EXPECT_TRUE(trust.isTrusted(QStringLiteral("old.example.jp"), QStringLiteral("11:22")));
    EXPECT_FALSE(trust.isTrusted(QStringLiteral("other.example.jp"), QStringLiteral("AB:CD")));
    EXPECT_FALSE(trust.isTrusted(QStringLiteral("mail.example.jp"), QStringLiteral("AB:CE")));
    EXPECT_FALSE(trust.isTrusted(QStringLiteral("mail.example.jp"), QStringLiteral("AB")));
    EXPECT_EQ(ReadBytes(file), "old.example.jp 11:22\nmail.example.jp AB:CD\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(CertificateTrust, withoutAFileNothingIsTrustedAndNothingIsAsked) {
    bool asked = false;
    const CertificateTrust trust(QString(), [&](const Error&) { return asked = true; });
    EXPECT_FALSE(trust.isTrusted(QStringLiteral("mail.example.jp"), QStringLiteral("AB:CD")));
    const Status checked = trust.check(QStringLiteral("mail.example.jp"), QSslCertificate(),
                                       {QSslError(QSslError::HostNameMismatch)});
    ASSERT_FALSE(checked.ok());
    EXPECT_EQ(checked.error().kind, Error::Kind::Certificate);
    EXPECT_EQ(checked.error().name, QStringLiteral("mail.example.jp"));
    EXPECT_EQ(checked.error().certificateReasons, QList<int>{QSslError::HostNameMismatch});
    EXPECT_FALSE(asked);
}
