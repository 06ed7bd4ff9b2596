// The accounts: the first in its old files, the further ones in a file of
// their own, read back as the bytes on disk.
#include <QFile>
#include <gtest/gtest.h>

#include "settings/accounts.h"
#include "settings/tokenstore.h"
#include "settings/trustedauthserv.h"
#include "tests/support/tempfolder.h"

namespace {

using K = Error::Kind;

// Keys as a random source hands them out, in order.
std::function<quint32()> keysFrom(QList<quint32> values) {
    return [values]() mutable { return values.takeFirst(); };
}

struct Folder {
    TempFolder dir;
    QString servers = dir.file(QStringLiteral("orvex.ini"));
    QString account = dir.file(QStringLiteral("iniIdPass.ini"));
    QString further = dir.file(QStringLiteral("accounts"));
    Accounts accounts(QList<quint32> keys = {}) const {
        return Accounts(servers, account, nullptr, keysFrom(keys));
    }
};

AccountProfile work() {
    AccountProfile p;
    p.displayName = QStringLiteral("仕事");
    p.address = QStringLiteral("taro@corp.example.jp");
    p.pop3Server = QStringLiteral("pop.corp.example.jp");
    p.loginId = QStringLiteral("taro");
    p.password = QStringLiteral("pw=1");
    p.apop = true;
    p.smtpServer = QStringLiteral("smtp.corp.example.jp");
    p.smtpLoginId = QStringLiteral("taro-out");
    p.smtpPassword = QStringLiteral("spw");
    p.serverCopy = {.mode = ServerCopy::Mode::DeleteAfterDays, .days = 30};
    return p;
}

AccountProfile hobby() {
    AccountProfile p;
    p.displayName = QStringLiteral("趣味");
    p.address = QStringLiteral("t@home.example.jp");
    p.serverCopy = {.mode = ServerCopy::Mode::Keep};
    return p;
}

const QByteArray kWorkEntry =
    "name=\xe4\xbb\x95\xe4\xba\x8b\naddress=taro@corp.example.jp\npop3=pop.corp.example.jp\n"
    "login=taro\npassword=pw=1\nsmtp=smtp.corp.example.jp\nsmtp-login=taro-out\n"
    "smtp-password=spw\napop=1\nserver-copy=after-days 30\n";
const QByteArray kHobbyEntry =
    "name=\xe8\xb6\xa3\xe5\x91\xb3\naddress=t@home.example.jp\npop3=\nlogin=\npassword=\n"
    "smtp=\nsmtp-login=\nsmtp-password=\napop=0\nserver-copy=keep\n";

} // namespace

TEST(Accounts, furtherAccountsAreKeptAsTheseBytes) {
    struct Row {
        const char* name;
        std::function<void(const Accounts&)> change;
        QByteArray file;
    };
    const Row rows[] = {
        {"two-added-in-order", [](const Accounts&) {},
         "fennick accounts 1\n\n[0000002a]\n" + kWorkEntry + "\n[deadbeef]\n" + kHobbyEntry},
        {"moved-up",
         [](const Accounts& a) {
             ASSERT_TRUE(a.reorder({QStringLiteral("deadbeef"), QStringLiteral("0000002a")}));
         },
         "fennick accounts 1\n\n[deadbeef]\n" + kHobbyEntry + "\n[0000002a]\n" + kWorkEntry},
        {"removed-and-its-key-retired",
         [](const Accounts& a) { ASSERT_TRUE(a.remove(QStringLiteral("0000002a"))); },
         "fennick accounts 1\nretired=0000002a\n\n[deadbeef]\n" + kHobbyEntry},
        {"edited-in-place",
         [](const Accounts& a) {
             AccountProfile changed = work();
             changed.key = QStringLiteral("deadbeef");
             ASSERT_TRUE(a.edit(changed));
         },
         "fennick accounts 1\n\n[0000002a]\n" + kWorkEntry + "\n[deadbeef]\n" + kWorkEntry},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Folder folder;
        const Accounts accounts = folder.accounts({0x2a, 0xdeadbeef});
        ASSERT_TRUE(accounts.add(work()));
        ASSERT_TRUE(accounts.add(hobby()));
        row.change(accounts);
        EXPECT_EQ(ReadBytes(folder.further), row.file);
        EXPECT_EQ(QFile::permissions(folder.further), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ReadUser | QFileDevice::WriteUser);
    }
}

TEST(Accounts, readsBackWhatItWroteAfterTheFirst) {
    const Folder folder;
    WriteBytes(folder.servers,
               "SMTP=smtp.example.jp\r\nPOP3=pop.example.jp\r\nMAIL=me@example.jp\r\nAPOP=1\r\n");
    WriteBytes(folder.account, "[EXEINI]\r\nNAME=me\r\nNAME2=old\r\n");
    const Accounts accounts = folder.accounts({0x2a});
    const Result<AccountProfile> added = accounts.add(work());
    ASSERT_TRUE(added);
    AccountProfile expected = work();
    expected.key = QStringLiteral("0000002a");
    expected.signInFile = folder.dir.file(QStringLiteral("oauth2-signin-0000002a"));
    EXPECT_EQ(*added, expected);
    AccountProfile first;
    first.key = AccountProfile::kFirstKey;
    first.address = QStringLiteral("me@example.jp");
    first.pop3Server = QStringLiteral("pop.example.jp");
    first.loginId = QStringLiteral("me");
    first.password = QStringLiteral("old");
    first.apop = true;
    first.signInFile = folder.dir.file(QStringLiteral("oauth2-signin"));
    first.smtpServer = QStringLiteral("smtp.example.jp");
    const Accounts::Loaded loaded = accounts.load();
    EXPECT_EQ(loaded.accounts, QList<AccountProfile>({first, expected}));
    EXPECT_FALSE(loaded.unreadable.has_value());
}

TEST(Accounts, theFirstIsWrittenWhereOlderCopiesReadIt) {
    const Folder folder;
    WriteBytes(folder.account, "[EXEINI]\r\nNAME=me\r\nNAME2=old\r\nNAME3=0\r\n");
    AccountProfile first = work();
    first.key = AccountProfile::kFirstKey;
    ASSERT_TRUE(folder.accounts().edit(first));
    EXPECT_EQ(
        ReadBytes(folder.servers),
        "SMTP=smtp.corp.example.jp\r\nPOP3=pop.corp.example.jp\r\nMAIL=taro@corp.example.jp\r\nAPOP=1\r\n");
    EXPECT_EQ(
        ReadBytes(folder.account),
        "[EXEINI]\r\nNAME=taro\r\nNAME2=pw=1\r\nNAME3=1\r\n[ACCOUNT]\r\nDISPLAYNAME=\x8e\x64\x8e\x96\r\n");
    EXPECT_FALSE(QFile::exists(folder.further));
    EXPECT_EQ(folder.accounts().load().accounts.first().displayName, QStringLiteral("仕事"));
}

TEST(Accounts, aDamagedOrForeignFileReadsAsNoFurtherAccountsAndStays) {
    QByteArray nine = "fennick accounts 1\n";
    for (int i = 1; i <= 8; ++i)
        nine += "[0000000" + QByteArray::number(i) + "]\n";
    const struct {
        const char* name;
        QByteArray file;
        qint64 line; // -1: read fine
    } rows[] = {
        {"another-programs-file", "[accounts]\nname=x\n", 1},
        {"cut-in-a-section-header", "fennick accounts 1\n[3fa9c2", 2},
        {"latin1-written-by-an-editor", "fennick accounts 1\n[3fa9c2d1]\nname=caf\xe9\n", 3},
        {"same-key-twice", "fennick accounts 1\n[3fa9c2d1]\n[3fa9c2d1]\n", 3},
        {"more-than-the-most", nine, 9},
        {"server-copy-days-not-a-number", "fennick accounts 1\n[3fa9c2d1]\nserver-copy=after-days x\n", 3},
        {"line-without-equals", "fennick accounts 1\n[3fa9c2d1]\npop3 pop.example.jp\n", 3},
        {"later-versions-value-and-crlf", "fennick accounts 1\r\n[3fa9c2d1]\r\ncolour=red\r\n", -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Folder folder;
        WriteBytes(folder.further, row.file);
        const Accounts accounts = folder.accounts({0x2a});
        const Accounts::Loaded loaded = accounts.load();
        if (row.line < 0) {
            EXPECT_FALSE(loaded.unreadable.has_value());
            EXPECT_EQ(loaded.accounts.size(), 2);
            continue;
        }
        ASSERT_TRUE(loaded.unreadable.has_value());
        EXPECT_EQ(loaded.unreadable->kind, K::AccountsUnreadable);
        EXPECT_EQ(loaded.unreadable->number, row.line);
        EXPECT_EQ(loaded.accounts.size(), 1);
        EXPECT_EQ(accounts.add(hobby()).error().kind, K::AccountsUnreadable);
        EXPECT_EQ(ReadBytes(folder.further), row.file);
    }
}

TEST(Accounts, valuesWithALineBreakAreRefusedAndNothingIsWritten) {
    const struct {
        const char* name;
        QString AccountProfile::*member;
        QString value;
    } rows[] = {
        {"server-pasted-with-its-line-end", &AccountProfile::pop3Server,
         QStringLiteral("pop.example.jp\r\n")},
        {"name-of-two-lines", &AccountProfile::displayName, QStringLiteral("仕事\n私用")},
        {"password-with-a-nul", &AccountProfile::smtpPassword, QStringLiteral("a") + QChar(0)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Folder folder;
        AccountProfile profile = work();
        profile.*row.member = row.value;
        EXPECT_EQ(folder.accounts({0x2a}).add(profile).error().kind, K::SettingWithLineBreak);
        profile.key = AccountProfile::kFirstKey;
        EXPECT_EQ(folder.accounts().edit(profile).error().kind, K::SettingWithLineBreak);
        EXPECT_EQ(filesIn(folder.dir.path()), QStringList());
    }
}

TEST(Accounts, aKeyIsNeverGivenTwiceAndThereAreAtMostEight) {
    const Folder folder;
    ASSERT_TRUE(folder.accounts({1}).add(hobby()));
    ASSERT_TRUE(folder.accounts().remove(QStringLiteral("00000001")));
    // The random source offers the removed key, then the one in use, then a new one.
    ASSERT_TRUE(folder.accounts({2}).add(hobby()));
    EXPECT_EQ(folder.accounts({1, 2, 3}).add(hobby())->key, QStringLiteral("00000003"));
    for (quint32 k = 4; k <= 8; ++k)
        ASSERT_TRUE(folder.accounts({k}).add(hobby()));
    EXPECT_EQ(folder.accounts({9}).add(hobby()).error(), Error({.kind = K::TooManyAccounts, .number = 8}));
    EXPECT_EQ(folder.accounts().load().accounts.size(), 8);
}

TEST(Accounts, removingTakesTheSignInAndTheTrustedAuthservIdAndLeavesTheMail) {
    const Folder folder;
    const QString mail = folder.dir.file(QStringLiteral("orxdata2.data"));
    WriteBytes(mail, QByteArray(32298, ' '));
    const AccountProfile added = *folder.accounts({0x2a}).add(work());
    OAuthSignIn signIn;
    signIn.client.tokenUrl = QStringLiteral("https://t.example.jp");
    signIn.client.clientId = QStringLiteral("c");
    signIn.tokens.refreshToken = QStringLiteral("r");
    ASSERT_TRUE(TokenStore(added.signInFile).save(signIn));
    ASSERT_TRUE(TrustedAuthserv(folder.dir.file(TrustedAuthserv::fileName(added.key)))
                    .save(QStringLiteral("mx.work")));
    EXPECT_TRUE(folder.accounts().load().accounts.last().signedIn);
    for (const QString& key : {AccountProfile::kFirstKey, QStringLiteral("0000002b")})
        EXPECT_EQ(folder.accounts().remove(key).error().kind, K::NoSuchAccount) << key.toStdString();
    ASSERT_TRUE(folder.accounts().remove(added.key));
    EXPECT_EQ(filesIn(folder.dir.path()),
              QStringList({QStringLiteral("accounts"), QStringLiteral("orxdata2.data")}));
    EXPECT_EQ(ReadBytes(mail), QByteArray(32298, ' '));
}

TEST(Accounts, reorderingNamesEachFurtherAccountOnce) {
    const Folder folder;
    ASSERT_TRUE(folder.accounts({1}).add(hobby()));
    ASSERT_TRUE(folder.accounts({2}).add(hobby()));
    const QByteArray before = ReadBytes(folder.further);
    const QString one = QStringLiteral("00000001"), two = QStringLiteral("00000002");
    for (const QStringList& order :
         {QStringList{two}, QStringList{two, one, one}, QStringList{AccountProfile::kFirstKey, two, one}})
        EXPECT_EQ(folder.accounts().reorder(order).error().kind, K::NoSuchAccount)
            << order.join(u',').toStdString();
    EXPECT_EQ(ReadBytes(folder.further), before);
}
