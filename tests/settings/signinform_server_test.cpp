// Signing in from the sign-in window against the test authorization server,
// with a browser that opens and one that does not (the user copies the URL).
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "settings/accountfile.h"
#include "settings/idpassform.h"
#include "settings/signinform.h"
#include "tests/support/appfolder.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "tests/support/testbrowser.h"
#include "ui/appcontext.h"

TEST(SignInWindow, signsInThroughTheBrowserOrTheCopiedAddressAndGoesBackToThePassword) {
    if (!TestMailServers::available())
        GTEST_SKIP();
    for (const bool browserOpens : {true, false}) {
        SCOPED_TRACE(browserOpens ? "browser-opened" : "browser-not-opened-address-copied");
        AppFolder folder;
        AppContext& context = folder.context;
        WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=old\r\nNAME2=password\r\nNAME3=1\r\n");
        TestBrowser browser;
        context.openUrl = [&](const QUrl& url) {
            if (browserOpens)
                browser.open(url);
            return browserOpens;
        };
        IdPassForm account(context);
        account.OAuthCommand_Click();
        SignInForm* w = account.signInWindow();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->AddressText->text(), QStringLiteral("old"));
        w->ProviderCombo->setCurrentIndex(w->ProviderCombo->findData(QStringLiteral("custom")));
        const TestAccount user = TestMailServers::claimAccount();
        w->AddressText->setText(user.name);
        w->AuthUrlText->setText(TestMailServers::oauthServer() + QStringLiteral("/authorize"));
        w->TokenUrlText->setText(TestMailServers::oauthServer() + QStringLiteral("/token"));
        w->ScopeText->setText(QStringLiteral("mail"));
        w->ClientIdText->setText(QStringLiteral("fennick-tests"));
        w->SignInCommand->click();
        EXPECT_EQ(w->SignInCommand->text(), QStringLiteral("中止"));
        if (!browserOpens) {
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
        const AccountFile file(context.paths.accountFile());
        EXPECT_EQ(file.load(), (Account{user.name, QStringLiteral("password"), true}));
        EXPECT_EQ(account.IdText->text(), user.name);
        EXPECT_EQ(context.settings.AccountId, user.name);

        w->SignOutCommand->click();
        EXPECT_FALSE(file.load().signedIn);
        EXPECT_FALSE(w->SignOutCommand->isEnabled());
    }
}
