// The accounts' passwords in the desktop's keyring: a real GNOME Keyring on a
// bus of the test's own, and a bus without one.
#include <gtest/gtest.h>

#include "settings/accounts.h"
#include "settings/desktopkeyring.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testkeyring.h"

namespace {

using K = Error::Kind;

TestKeyring* const keyring = static_cast<TestKeyring*>(testing::AddGlobalTestEnvironment(new TestKeyring));

struct Folder {
    TempFolder dir;
    QString servers = dir.file(QStringLiteral("orvex.ini"));
    QString account = dir.file(QStringLiteral("iniIdPass.ini"));
    QString further = dir.file(QStringLiteral("accounts"));
    DesktopKeyring desktop{&QDBusConnection::sessionBus, std::chrono::seconds(10)};

    Accounts accounts(const SecretStore& secrets, quint32 key = 0) const {
        return Accounts(servers, account, &secrets, [key] { return key; });
    }
    Accounts accounts(quint32 key = 0) const { return accounts(desktop, key); }
    std::optional<QString> secret(const QString& name) const { return desktop.read(name).value(); }
};

AccountProfile withPasswords(const QString& pop3, const QString& smtp) {
    AccountProfile p;
    p.displayName = QStringLiteral("仕事");
    p.loginId = QStringLiteral("taro");
    p.password = pop3;
    p.smtpPassword = smtp;
    return p;
}

const QByteArray kEntryWithoutPasswords =
    "name=\xe4\xbb\x95\xe4\xba\x8b\naddress=\npop3=\nlogin=taro\nsmtp=\nsmtp-login=\n"
    "apop=0\nserver-copy=delete\nsecrets=keyring\n";

} // namespace

TEST(KeyringAccounts, aFurtherAccountsPasswordsLiveInTheKeyringAndGoWithIt) {
    struct Row {
        const char* name;
        std::function<void(const Accounts&, const AccountProfile&)> change;
        std::optional<QString> pop3, smtp;
    };
    const Row rows[] = {
        {"added", [](const Accounts&, const AccountProfile&) {}, QStringLiteral("pw=1"),
         QStringLiteral("spw")},
        {"password-changed-and-smtp-password-cleared",
         [](const Accounts& a, const AccountProfile& added) {
             AccountProfile changed = withPasswords(QStringLiteral("new"), {});
             changed.key = added.key;
             ASSERT_TRUE(a.edit(changed));
         },
         QStringLiteral("new"), std::nullopt},
        {"removed", [](const Accounts& a, const AccountProfile& added) { ASSERT_TRUE(a.remove(added.key)); },
         std::nullopt, std::nullopt},
    };
    quint32 key = 0x100;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Folder folder;
        const Accounts accounts = folder.accounts(++key);
        const Result<AccountProfile> added =
            accounts.add(withPasswords(QStringLiteral("pw=1"), QStringLiteral("spw")));
        ASSERT_TRUE(added) << added.error().debugText().toStdString();
        EXPECT_EQ(ReadBytes(folder.further),
                  "fennick accounts 1\n\n[" + added->key.toLatin1() + "]\n" + kEntryWithoutPasswords);
        row.change(accounts, *added);
        EXPECT_EQ(folder.secret(QStringLiteral("account %1 pop3").arg(added->key)), row.pop3);
        EXPECT_EQ(folder.secret(QStringLiteral("account %1 smtp").arg(added->key)), row.smtp);
        const Accounts::Loaded loaded = accounts.load();
        EXPECT_FALSE(loaded.keyring.has_value());
        if (row.pop3) {
            EXPECT_EQ(loaded.accounts.last().password, *row.pop3);
        }
    }
}

TEST(KeyringAccounts, theFirstPasswordLeavesName2OnlyWhenAsked) {
    const Folder folder;
    WriteBytes(folder.account, "[EXEINI]\r\nNAME=me\r\nNAME2=old\r\n");
    const Accounts accounts = folder.accounts(0x77);
    AccountProfile first = withPasswords(QStringLiteral("pw2"), {});
    first.key = AccountProfile::kFirstKey;
    ASSERT_TRUE(accounts.edit(first));
    EXPECT_EQ(
        ReadBytes(folder.account),
        "[EXEINI]\r\nNAME=taro\r\nNAME2=pw2\r\nNAME3=1\r\n[ACCOUNT]\r\nDISPLAYNAME=\x8e\x64\x8e\x96\r\n");
    ASSERT_TRUE(accounts.moveFirstPasswordToKeyring());
    // The account window's OK, as it has always confirmed the first account.
    ASSERT_TRUE(accounts.confirmFirst({QStringLiteral("taro"), QStringLiteral("pw3")}, true));
    EXPECT_EQ(ReadBytes(folder.account), "[EXEINI]\r\nNAME=taro\r\nNAME2=\r\nNAME3=1\r\n[ACCOUNT]\r\n"
                                         "DISPLAYNAME=\x8e\x64\x8e\x96\r\nKEYRING=00000077\r\n");
    EXPECT_EQ(folder.secret(QStringLiteral("account 00000077 pop3")), QStringLiteral("pw3"));
    EXPECT_EQ(accounts.load().accounts.first().password, QStringLiteral("pw3"));
}

TEST(KeyringAccounts, withoutAKeyringOnTheBusTheFilesKeepThePasswords) {
    const PrivateSessionBus empty;
    ASSERT_TRUE(empty.running());
    const DesktopKeyring none([&empty] { return empty.connect(QStringLiteral("nokeyring")); });
    EXPECT_FALSE(none.available());
    const Folder folder;
    WriteBytes(folder.account, "[EXEINI]\r\nNAME=me\r\nNAME2=old\r\n");
    const Result<AccountProfile> added =
        folder.accounts(none, 0x200).add(withPasswords(QStringLiteral("pw=1"), QStringLiteral("spw")));
    ASSERT_TRUE(added);
    EXPECT_TRUE(
        ReadBytes(folder.further).contains("\npassword=pw=1\nsmtp=\nsmtp-login=\nsmtp-password=spw\n"));
    EXPECT_EQ(folder.accounts(none).moveFirstPasswordToKeyring().error().kind, K::NoKeyring);
    EXPECT_EQ(folder.accounts(none).load().accounts.first().password, QStringLiteral("old"));

    // Kept in the keyring by a session that had one, read in one without.
    const AccountProfile held = *folder.accounts(0x201).add(withPasswords(QStringLiteral("pw"), {}));
    const QByteArray before = ReadBytes(folder.further);
    const Accounts::Loaded loaded = folder.accounts(none).load();
    EXPECT_EQ(loaded.keyring->kind, K::NoKeyring);
    EXPECT_EQ(loaded.withoutPasswords, QStringList{held.key});
    EXPECT_EQ(loaded.accounts.last().password, QString());
    EXPECT_EQ(folder.accounts(none).edit(held).error().kind, K::NoKeyring);
    EXPECT_EQ(ReadBytes(folder.further), before);
}

TEST(KeyringAccounts, aKeyringThatStopsAnsweringIsAnErrorAfterTheTimeout) {
    const Folder folder;
    const DesktopKeyring impatient(&QDBusConnection::sessionBus, std::chrono::milliseconds(300));
    const AccountProfile held = *folder.accounts(0x300).add(withPasswords(QStringLiteral("pw"), {}));
    keyring->hang();
    const Accounts::Loaded loaded = folder.accounts(impatient).load();
    keyring->resume();
    ASSERT_TRUE(loaded.keyring.has_value());
    EXPECT_EQ(*loaded.keyring, Error({.kind = K::KeyringTimedOut, .number = 1}));
    EXPECT_EQ(folder.accounts().load().accounts.last().password, QStringLiteral("pw"));
}

TEST(KeyringAccounts, aFurtherAccountsRefreshTokenLivesInTheKeyringAndGoesWithIt) {
    const Folder folder;
    const Accounts accounts = folder.accounts(0x400);
    const AccountProfile added = *accounts.add(withPasswords(QStringLiteral("pw"), {}));
    const TokenStore signIn = accounts.signInOf(added);
    OAuthSignIn first;
    first.user = QStringLiteral("taro@example.jp");
    first.client.tokenUrl = QStringLiteral("https://t.example.jp/token");
    first.client.clientId = QStringLiteral("c");
    first.tokens.refreshToken = QStringLiteral("refresh-1");
    OAuthSignIn rotated = first;
    rotated.tokens.refreshToken = QStringLiteral("refresh-2");
    const QString name = QStringLiteral("account 00000400 refresh");

    ASSERT_TRUE(signIn.save(first));
    EXPECT_FALSE(ReadBytes(added.signInFile).contains("refresh-1"));
    EXPECT_EQ(signIn.load(), first);
    EXPECT_TRUE(accounts.load().accounts.last().signedIn);
    ASSERT_TRUE(signIn.saveRenewal(first, rotated).value());
    EXPECT_EQ(folder.secret(name), QStringLiteral("refresh-2"));
    EXPECT_FALSE(TokenStore(added.signInFile).load().has_value()) << "the file alone signs nobody in";
    ASSERT_TRUE(accounts.remove(added.key));
    EXPECT_EQ(folder.secret(name), std::nullopt);
}
