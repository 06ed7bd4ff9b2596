// The provider's verdicts each account trusts: accounts at different
// providers learn and keep an authserv-id each, through the check that
// stores their mail.
#include <gtest/gtest.h>

#include "auth/senderverdict.h"
#include "receive/mailcheck.h"
#include "receive/senderverdicts.h"
#include "search/mailfacts.h"
#include "settings/trustedauthserv.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/tempfolder.h"

TEST(SenderVerdicts, eachAccountTrustsOnlyItsOwnProvidersAuthenticationResults) {
    const QString first = AccountProfile::kFirstKey, further = QStringLiteral("0000002a");
    const QString home = QStringLiteral("mx.home-provider.example"),
                  work = QStringLiteral("mx.work-provider.example");
    struct Row {
        const char* name;
        QString account;    // whose check stores the mail
        QString firstTrust; // the ids the two accounts trust before the check
        QString furtherTrust;
        QString stampedBy; // the authserv-id of the mail's header
        bool providerTrusted;
        QString firstAfter; // and after it
        QString furtherAfter;
    };
    const Row rows[] = {
        {"first-account-learns-its-providers-id-and-the-further-one-nothing",
         first,
         {},
         {},
         home,
         true,
         home,
         {}},
        {"further-account-learns-its-own-providers-id-leaving-the-firsts",
         further,
         home,
         {},
         work,
         true,
         home,
         work},
        {"further-account-trusts-its-provider-it-learned-before", further, home, work, work, true, home,
         work},
        {"further-account-does-not-trust-the-first-accounts-provider", further, home, work, home, false, home,
         work},
        {"first-account-does-not-trust-the-further-accounts-provider", first, home, work, work, false, home,
         work},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TempFolder app;
        const AppPaths paths(app.path());
        ASSERT_TRUE(paths.ensureLayout().ok());
        const auto trusted = [&paths](const QString& key) {
            return TrustedAuthserv(paths.dataFile(TrustedAuthserv::fileName(key)));
        };
        for (const auto& [key, id] : {std::pair{first, row.firstTrust}, std::pair{further, row.furtherTrust}})
            if (!id.isEmpty()) {
                ASSERT_TRUE(trusted(key).save(id).ok());
            }
        AccountProfile account;
        account.key = row.account;
        account.pop3Server = QStringLiteral("pop.example.jp");
        account.loginId = QStringLiteral("taro");
        account.password = QStringLiteral("pw");
        FakeMailbox mailbox;
        mailbox.messages = {mail(QStringLiteral("s"))};
        mailbox.rawBytes = {{1, "Authentication-Results: " + row.stampedBy.toLatin1() +
                                    "; dmarc=pass header.from=example.jp\r\n"
                                    "From: <a@example.jp>\r\nSubject: s\r\n\r\nb\r\n"}};
        const MailCheck::Outcome outcome = MailCheck(paths, account, mailbox, {}, std::nullopt).CheckMail();
        ASSERT_EQ(outcome.stored, 1);
        const std::optional<SenderVerdict> verdict = SenderVerdict::decode(
            MailFacts::open(paths.receivedMailFile()).value().values(SenderVerdicts::kFact).value().value(1));
        ASSERT_TRUE(verdict.has_value());
        EXPECT_EQ(verdict->source == SenderVerdict::Source::Provider, row.providerTrusted);
        EXPECT_EQ(trusted(first).load(), row.firstAfter);
        EXPECT_EQ(trusted(further).load(), row.furtherAfter);
    }
}
