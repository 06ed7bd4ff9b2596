// What is remembered of each server's TLS, and when a password may go out in clear.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/tempfolder.h"
#include "transport/tlspolicy.h"

namespace {

const QString kPop = QStringLiteral("pop3 mail.example.jp:110");
const QString kSmtp = QStringLiteral("smtp mail.example.jp:25");

} // namespace

TEST(TlsPolicy, aLoginInClearNeedsTheUsersYesAndAHostOnceSeenWithTlsNeverGetsOne) {
    struct Row {
        const char* name;
        QByteArray fileBefore;
        bool answer;
        bool allowed;
        int questions;
        QByteArray fileAfter;
    };
    const Row rows[] = {
        {"new-host-yes-is-kept", "", true, true, 1, "pop3 mail.example.jp:110 clear\n"},
        {"new-host-no-is-not-kept", "", false, false, 1, ""},
        {"earlier-yes-is-not-asked-again", "pop3 mail.example.jp:110 clear\n", false, true, 0,
         "pop3 mail.example.jp:110 clear\n"},
        {"tls-seen-before-is-refused-unasked", "pop3 mail.example.jp:110 tls\n", true, false, 0,
         "pop3 mail.example.jp:110 tls\n"},
        {"the-smtp-port-of-the-host-is-another-service", "smtp mail.example.jp:25 tls\n", true, true, 1,
         "smtp mail.example.jp:25 tls\npop3 mail.example.jp:110 clear\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder data;
        const QString file = data.file(TlsPolicy::kFileName);
        if (!row.fileBefore.isEmpty())
            WriteBytes(file, row.fileBefore);
        int questions = 0;
        const TlsPolicy policy(file, [&](const Error& ifDeclined) {
            ++questions;
            EXPECT_EQ(ifDeclined.kind, Error::Kind::ClearLoginDeclined);
            EXPECT_EQ(ifDeclined.name, QStringLiteral("mail.example.jp"));
            return row.answer;
        });
        EXPECT_EQ(policy.allowClearLogin(kPop, QStringLiteral("mail.example.jp")).ok(), row.allowed);
        EXPECT_EQ(questions, row.questions);
        EXPECT_EQ(QFile::exists(file) ? ReadBytes(file) : QByteArray(), row.fileAfter);
    }
}

TEST(TlsPolicy, tlsOnceSeenIsRequiredFromThenOnInAFileOnlyTheUserReads) {
    TempFolder data;
    const QString file = data.file(TlsPolicy::kFileName);
    WriteBytes(file, "pop3 mail.example.jp:110 clear\n");
    const TlsPolicy policy(file, {});
    EXPECT_TRUE(policy.acceptNoTls(kPop, QStringLiteral("mail.example.jp")).ok());
    ASSERT_TRUE(policy.rememberTls(kPop).ok());
    ASSERT_TRUE(policy.rememberTls(kSmtp).ok());
    EXPECT_TRUE(policy.requiresTls(kPop));
    const Status downgraded = policy.acceptNoTls(kPop, QStringLiteral("mail.example.jp"));
    ASSERT_FALSE(downgraded.ok());
    EXPECT_EQ(downgraded.error().kind, Error::Kind::TlsWithdrawn);
    EXPECT_EQ(ReadBytes(file), "pop3 mail.example.jp:110 tls\nsmtp mail.example.jp:25 tls\n");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(TlsPolicy, aPolicyThatAsksNobodyRefusesEveryLoginInClear) {
    EXPECT_FALSE(TlsPolicy().allowClearLogin(kPop, QStringLiteral("mail.example.jp")).ok());
    ServerAddress address{QStringLiteral("Mail.Example.JP"), 995, true};
    EXPECT_EQ(TlsPolicy::service("pop3", address), QStringLiteral("pop3 mail.example.jp:995"));
}
