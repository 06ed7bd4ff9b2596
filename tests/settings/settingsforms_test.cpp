// What the settings windows do beyond their design tables: the masked
// password, the providers offered for the sign-in, and the server window
// above the others.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "settings/alwaysonform.h"
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

TEST_F(SettingsForms, alwaysOnWindowKeepsItsChoicesBesideTheAccountAndWritesTheLoginEntry) {
    WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=taro\r\n");
    const AutostartEntry entry(app.file(QStringLiteral("config/autostart/fennick.desktop")));
    AlwaysOnForm form(context, entry, QStringLiteral("/opt/fennick/fennick"));
    int changed = 0;
    form.onChanged = [&] { ++changed; };
    form.open();
    QStringList offered;
    for (int i = 0; i < form.IntervalCombo->count(); ++i)
        offered << form.IntervalCombo->itemText(i);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("しない"), QStringLiteral("5分ごと"),
                                    QStringLiteral("10分ごと"), QStringLiteral("15分ごと"),
                                    QStringLiteral("30分ごと"), QStringLiteral("60分ごと")}));
    form.IntervalCombo->setCurrentIndex(2);
    form.AtStartCheck->setChecked(true);
    form.LoginCheck->setChecked(true);
    form.OKCommand_Click();
    const AlwaysOn kept{.checkMinutes = 10, .checkAtStart = true, .onClose = AlwaysOn::OnClose::Ask};
    EXPECT_EQ(context.settings.alwaysOn, kept);
    EXPECT_EQ(AlwaysOn::read(context.paths.accountFile()), kept)
        << "the close question, never asked, stays to ask";
    EXPECT_TRUE(entry.isInstalled());
    EXPECT_EQ(changed, 1);

    form.open();
    EXPECT_EQ(form.IntervalCombo->currentText(), QStringLiteral("10分ごと"));
    form.LoginCheck->setChecked(false);
    form.TrayCheck->setChecked(false);
    form.OKCommand_Click();
    EXPECT_FALSE(entry.isInstalled());
    EXPECT_TRUE(prompter.shown.isEmpty());
}
