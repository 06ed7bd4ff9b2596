// What the settings windows do beyond their design tables: the masked
// password, the providers offered for the sign-in, and the server window
// above the others.
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/signinform.h"
#include "settings/trustedauthserv.h"
#include "tests/support/appfolder.h"

namespace {

class SettingsForms : public testing::Test, protected AppFolder {};

} // namespace

TEST_F(SettingsForms, accountWindowMasksThePassword) {
    IdPassForm account(context);
    EXPECT_EQ(account.PassText->echoMode(), QLineEdit::Password);
}

TEST_F(SettingsForms, signInWindowOffersTheProvidersAndAsksForEndpointsOnlyForAnother) {
    SignInForm signIn(context, {});
    const QStringList providers{QStringLiteral("Google (Gmail)"),
                                QStringLiteral("Microsoft (Outlook.com, Microsoft 365)"),
                                QStringLiteral("その他 (URL を入力)")};
    ASSERT_EQ(signIn.ProviderCombo->count(), providers.size());
    for (int i = 0; i < providers.size(); ++i)
        EXPECT_EQ(signIn.ProviderCombo->itemText(i), providers[i]);
    EXPECT_FALSE(signIn.TokenUrlText->isEnabled());
    signIn.ProviderCombo->setCurrentIndex(2);
    EXPECT_TRUE(signIn.TokenUrlText->isEnabled());
}

TEST_F(SettingsForms, serverWindowStaysAboveTheOthers) {
    OptionForm servers(context);
    EXPECT_TRUE(servers.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(SettingsForms, accountWindowShowsAndKeepsTheTrustedAuthservId) {
    const TrustedAuthserv trusted(context.paths.dataFile(TrustedAuthserv::kFileName));
    ASSERT_TRUE(trusted.save(QStringLiteral("mx.google.com")).ok());
    IdPassForm account(context);
    account.Form_Load();
    EXPECT_EQ(account.AuthservText->text(), QStringLiteral("mx.google.com"));
    account.AuthservText->setText(QStringLiteral(" MX.Provider.Example "));
    account.OKCommand_Click();
    EXPECT_EQ(trusted.load(), QStringLiteral("mx.provider.example"));
}
