// Signing in from the sign-in window against the test authorization server,
// with a browser that opens and one that does not (the user copies the URL),
// for the first account and for a further one whose refresh token goes to a
// real keyring on a bus of the test's own.
#include <QComboBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "settings/accountfile.h"
#include "settings/desktopkeyring.h"
#include "settings/idpassform.h"
#include "settings/signinform.h"
#include "tests/support/appfolder.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testbrowser.h"
#include "tests/support/testkeyring.h"
#include "ui/appcontext.h"

namespace {

[[maybe_unused]] testing::Environment* const keyring = testing::AddGlobalTestEnvironment(new TestKeyring);

// The files under `folder` that hold `bytes`.
QStringList filesHolding(const QString& folder, const QByteArray& bytes) {
    QStringList holding;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (const QString path = it.next(); ReadBytes(path).contains(bytes))
            holding << path;
    return holding;
}

} // namespace

TEST(SignInWindow, signsInTheAccountItWasOpenedForAndGoesBackToThePassword) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    struct Row {
        const char* name;
        bool further;
        bool browserOpens;
    };
    const Row rows[] = {
        {"first-account-browser-opened", false, true},
        {"first-account-browser-not-opened-address-copied", false, false},
        {"further-account-refresh-token-in-the-keyring", true, true},
    };
    const DesktopKeyring desktop(&QDBusConnection::sessionBus, std::chrono::seconds(10));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AppFolder folder;
        AppContext& context = folder.context;
        context.secrets = &desktop;
        WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=old\r\nNAME2=password\r\nNAME3=1\r\n");
        AccountProfile work;
        work.loginId = QStringLiteral("work");
        work.password = QStringLiteral("work-password");
        const Result<AccountProfile> added = context.accounts().add(work);
        ASSERT_TRUE(added.ok()) << added.error().debugText().toStdString();
        const QString key = row.further ? added->key : AccountProfile::kFirstKey;
        const QByteArray firstAccountFile = ReadBytes(context.paths.accountFile());
        TestBrowser browser;
        context.openUrl = [&](const QUrl& url) {
            if (row.browserOpens)
                browser.open(url);
            return row.browserOpens;
        };
        IdPassForm account(context);
        account.openFor(key);
        account.OAuthCommand->click(); // offered for every account
        SignInForm* w = account.signInWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->AddressText->text(), row.further ? QStringLiteral("work") : QStringLiteral("old"));
        w->ProviderCombo->setCurrentIndex(w->ProviderCombo->findData(QStringLiteral("custom")));
        const TestAccount user = TestMailServers::claimAccount();
        w->AddressText->setText(user.name);
        w->AuthUrlText->setText(TestMailServers::oauthServer() + QStringLiteral("/authorize"));
        w->TokenUrlText->setText(TestMailServers::oauthServer() + QStringLiteral("/token"));
        w->ScopeText->setText(QStringLiteral("mail"));
        w->ClientIdText->setText(QStringLiteral("fennick-tests"));
        w->SignInCommand->click();
        EXPECT_EQ(w->SignInCommand->text(), QStringLiteral("中止"));
        if (!row.browserOpens) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return w->UrlText->isVisible(); }, 10000));
            EXPECT_EQ(w->StatusLabel->text(),
                      QStringLiteral("ブラウザを開けませんでした。下のアドレスをコピーしてブラウザで開き、"
                                     "サインインしてください。(5 分以内)"));
            browser.open(QUrl::fromEncoded(w->UrlText->text().toLatin1()));
        }
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w->SignInCommand->text() != QStringLiteral("中止"); }, 20000));
        EXPECT_TRUE(folder.prompter.shown.isEmpty()) << folder.prompter.shown.value(0).text.toStdString();
        EXPECT_EQ(
            w->StatusLabel->text(),
            user.name +
                QStringLiteral(
                    " でサインインしました。受信と送信にはパスワードの代わりにこのサインインを使います。"));
        EXPECT_EQ(account.IdText->text(), user.name);
        const QList<AccountProfile> accounts = context.accounts().load().accounts;
        const AccountProfile& signedIn = accounts.value(row.further ? 1 : 0);
        EXPECT_EQ(signedIn.loginId, user.name);
        EXPECT_TRUE(signedIn.signedIn);
        EXPECT_EQ(signedIn.password, row.further ? work.password : QStringLiteral("password"));
        EXPECT_FALSE(accounts.value(row.further ? 0 : 1).signedIn) << "the other account stays as it was";
        if (row.further) {
            EXPECT_EQ(ReadBytes(context.paths.accountFile()), firstAccountFile);
            EXPECT_EQ(context.settings.AccountId, QString());
            const std::optional<OAuthSignIn> kept = context.accounts().signInOf(key).load();
            ASSERT_TRUE(kept.has_value());
            EXPECT_EQ(filesHolding(context.paths.applicationFolder(), kept->tokens.refreshToken.toLatin1()),
                      QStringList());
        } else {
            EXPECT_EQ(context.settings.AccountId, user.name);
        }

        w->SignOutCommand->click();
        EXPECT_FALSE(context.accounts().load().accounts.value(row.further ? 1 : 0).signedIn);
        EXPECT_FALSE(w->SignOutCommand->isEnabled());
        if (row.further) {
            EXPECT_EQ(desktop.read(QStringLiteral("account %1 refresh").arg(key)).value(), std::nullopt);
        }
    }
}
