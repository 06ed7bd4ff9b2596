// Several accounts into one history: how many at once, and what the user is told.
#include <QSet>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

#include "receive/accountchecks.h"

namespace {

using K = Error::Kind;

AccountProfile account(const char* key, const char* name) {
    AccountProfile a;
    a.key = QString::fromLatin1(key);
    a.displayName = QString::fromUtf8(name);
    return a;
}

} // namespace

TEST(AccountChecks, checksTwoAccountsSideBySideAndNeverMore) {
    const QList<AccountProfile> accounts = {account("1", "会社"), account("a1", "自宅"), account("b2", "店"),
                                            account("c3", "趣味")};
    // The standard library's locks, which the thread sanitizer sees (Qt's it does not).
    std::mutex mutex;
    std::condition_variable changed;
    int running = 0, most = 0;
    QStringList started;
    const MailCheck::Outcome all =
        AccountChecks::run({accounts, std::nullopt, std::nullopt, {}}, [&](const AccountProfile& a) {
            std::unique_lock lock(mutex);
            started << a.key;
            most = std::max(most, ++running);
            changed.notify_all();
            // The first two wait for each other: they can only both get here side by side.
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return started.size() >= 2; });
            --running;
            MailCheck::Outcome one;
            one.waiting = one.stored = int(a.key.size());
            return one;
        });
    EXPECT_EQ(most, AccountChecks::kAtOnce);
    EXPECT_EQ(QSet<QString>(started.cbegin(), started.cbegin() + 2),
              (QSet<QString>{QStringLiteral("1"), QStringLiteral("a1")}))
        << "the first two accounts first";
    EXPECT_EQ(all.stored, 1 + 2 + 2 + 2);
    EXPECT_EQ(all.waiting, all.stored);
}

TEST(AccountChecks, eachAccountsErrorsNameItAndOnlyTheFirstOpensTheSettings) {
    const Error refused =
        Error{.kind = K::LoginFailed}.because({.kind = K::Login, .detail = QStringLiteral("-ERR")});
    MailCheck::Outcome failed;
    failed.waiting = -1;
    failed.errors = {refused};
    MailCheck::Outcome incomplete;
    incomplete.waiting = -1;
    incomplete.needs = MailCheck::Needs::Server;
    MailCheck::Outcome fine;
    fine.waiting = 3;
    fine.stored = 3;
    const struct {
        const char* name;
        QList<AccountProfile> accounts;
        QList<MailCheck::Outcome> outcomes;
        QList<Error> errors;
        MailCheck::Needs needs;
        int stored;
    } rows[] = {
        {"one-account-as-before", {account("1", "会社")}, {failed}, {refused}, MailCheck::Needs::Nothing, 0},
        {"a-failing-account-beside-one-that-worked",
         {account("1", "会社"), account("a1", "自宅")},
         {fine, failed},
         {Error{.kind = K::InAccount, .name = QStringLiteral("自宅")}.because(refused)},
         MailCheck::Needs::Nothing,
         3},
        {"the-first-account-without-its-server",
         {account("1", "会社"), account("a1", "自宅")},
         {incomplete, fine},
         {},
         MailCheck::Needs::Server,
         3},
        {"a-further-account-without-its-server",
         {account("1", "会社"), account("a1", "自宅")},
         {fine, incomplete},
         {{.kind = K::AccountIncomplete, .name = QStringLiteral("自宅")}},
         MailCheck::Needs::Nothing,
         3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const MailCheck::Outcome all = AccountChecks::combined(row.accounts, row.outcomes);
        EXPECT_EQ(all.errors, row.errors);
        EXPECT_EQ(all.needs, row.needs);
        EXPECT_EQ(all.stored, row.stored);
    }
}

TEST(AccountChecks, anAccountTheKeyringOrTheFileCouldNotGiveIsNotCheckedAndSaysSo) {
    const Error locked{.kind = K::KeyringTimedOut, .number = 20};
    const Error damaged{.kind = K::AccountsUnreadable, .path = QStringLiteral("accounts"), .number = 3};
    const QList<AccountProfile> both = {account("1", "会社"), account("a1", "自宅")};
    const struct {
        const char* name;
        Accounts::Loaded loaded;
        QStringList checked;
        QList<Error> errors;
    } rows[] = {
        {"further-accounts-passwords-in-a-keyring-that-did-not-answer",
         {both, std::nullopt, locked, {QStringLiteral("a1")}},
         {QStringLiteral("1")},
         {Error{.kind = K::InAccount, .name = QStringLiteral("自宅")}.because(locked)}},
        {"further-accounts-file-damaged",
         {{account("1", "会社")}, damaged, std::nullopt, {}},
         {QStringLiteral("1")},
         {damaged}},
        {"keyring-failed-for-none-of-them",
         {both, std::nullopt, locked, {}},
         {QStringLiteral("1"), QStringLiteral("a1")},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::mutex mutex;
        QStringList checked;
        const MailCheck::Outcome all = AccountChecks::run(row.loaded, [&](const AccountProfile& a) {
            const std::lock_guard lock(mutex);
            checked << a.key;
            return MailCheck::Outcome{};
        });
        checked.sort();
        EXPECT_EQ(checked, row.checked);
        EXPECT_EQ(all.errors, row.errors);
    }
}
