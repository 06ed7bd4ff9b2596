// What the settings windows do beyond their design tables: the masked
// password, the providers offered for the sign-in, and the server window
// above the others.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "settings/alwaysonform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/servercopysetting.h"
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

TEST_F(SettingsForms, serverWindowKeepsWhatStaysOnTheServerBesideTheAccount) {
    using M = ServerCopy::Mode;
    WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=taro\r\n");
    OptionForm servers(context);
    servers.open();
    const QStringList captions{QStringLiteral("受信後サーバーから削除"), QStringLiteral("サーバーに残す"),
                               QStringLiteral("n 日後に削除"),
                               QStringLiteral("履歴で削除したらサーバーからも削除")};
    for (int i = 0; i < captions.size(); ++i)
        EXPECT_EQ(servers.CopyOption[i]->text(), captions[i]);
    EXPECT_TRUE(servers.CopyOption[0]->isChecked()) << "an older account file deletes after fetching";
    EXPECT_FALSE(servers.DaysBox->isEnabled());
    const struct {
        const char* name;
        int option;
        int days;
        ServerCopy kept;
    } rows[] = {
        {"after-30-days", 2, 30, {M::DeleteAfterDays, 30}},
        {"kept-with-the-days-typed-before", 1, 30, {M::Keep, 30}},
        {"with-the-history", 3, 7, {M::DeleteWithHistory, 7}},
        {"back-to-deleting-after-fetching", 0, 14, {M::DeleteAfterFetch, 14}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        servers.open();
        servers.CopyOption[row.option]->setChecked(true);
        servers.DaysBox->setValue(row.days);
        servers.OKCommand_Click();
        EXPECT_EQ(ServerCopySetting::read(context.paths.accountFile()), row.kept);
        servers.open();
        EXPECT_TRUE(servers.CopyOption[row.option]->isChecked());
        EXPECT_EQ(servers.DaysBox->isEnabled(), row.kept.mode == M::DeleteAfterDays);
    }
    EXPECT_TRUE(prompter.shown.isEmpty());
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
