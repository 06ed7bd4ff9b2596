// Every text of the settings windows against its literal.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/setform.h"
#include "settings/signinform.h"
#include "tests/support/appfolder.h"

namespace {

class SettingsFormTexts : public testing::Test, protected AppFolder {};

} // namespace

TEST_F(SettingsFormTexts, hubWindow) {
    SetForm hub([] {}, [] {});
    EXPECT_EQ(hub.windowTitle(), QStringLiteral("設定"));
    EXPECT_EQ(hub.Command1->text(), QStringLiteral("ID/PASS"));
    EXPECT_EQ(hub.Command2->text(), QStringLiteral("POPサーバー"));
}

TEST_F(SettingsFormTexts, accountWindow) {
    IdPassForm account(context);
    EXPECT_EQ(account.windowTitle(), QStringLiteral("ID,PASS"));
    EXPECT_EQ(account.Label1->text(), QStringLiteral("ID"));
    EXPECT_EQ(account.Label2->text(), QStringLiteral("Password"));
    EXPECT_EQ(account.Check1->text(), QStringLiteral("IDパスワードを保存する"));
    EXPECT_EQ(account.OKCommand->text(), QStringLiteral("OK"));
    EXPECT_EQ(account.CancelCommand->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(account.PassText->echoMode(), QLineEdit::Password);
    EXPECT_EQ(account.OAuthCommand->text(), QStringLiteral("OAuth2..."));
}

TEST_F(SettingsFormTexts, theSignInButtonTakesOnlyRoomNoControlOfTheAccountWindowHas) {
    IdPassForm account(context);
    const QRect added = account.OAuthCommand->geometry();
    EXPECT_TRUE(account.rect().contains(added));
    for (const QWidget* w : std::initializer_list<const QWidget*>{
             account.Label1, account.IdText, account.Label2, account.PassText, account.Check1,
             account.OKCommand, account.CancelCommand})
        EXPECT_FALSE(w->geometry().intersects(added)) << w->objectName().toStdString();
}

TEST_F(SettingsFormTexts, signInWindow) {
    SignInForm signIn(context, {});
    EXPECT_EQ(signIn.windowTitle(), QStringLiteral("OAuth2 サインイン"));
    EXPECT_EQ(signIn.Label1->text(), QStringLiteral("プロバイダー(&V)"));
    EXPECT_EQ(signIn.Label2->text(), QStringLiteral("メールアドレス(&M)"));
    const QStringList providers{QStringLiteral("Google (Gmail)"),
                                QStringLiteral("Microsoft (Outlook.com, Microsoft 365)"),
                                QStringLiteral("その他 (URL を入力)")};
    ASSERT_EQ(signIn.ProviderCombo->count(), providers.size());
    for (int i = 0; i < providers.size(); ++i)
        EXPECT_EQ(signIn.ProviderCombo->itemText(i), providers[i]);
    EXPECT_EQ(signIn.SignInCommand->text(), QStringLiteral("ブラウザでサインイン"));
    EXPECT_EQ(signIn.SignOutCommand->text(), QStringLiteral("パスワードに戻す"));
    EXPECT_EQ(signIn.CancelCommand->text(), QStringLiteral("閉じる"));
    // The endpoints are typed only for a provider without a preset.
    EXPECT_FALSE(signIn.TokenUrlText->isEnabled());
    signIn.ProviderCombo->setCurrentIndex(2);
    EXPECT_TRUE(signIn.TokenUrlText->isEnabled());
}

TEST_F(SettingsFormTexts, serverWindow) {
    OptionForm servers(context);
    EXPECT_EQ(servers.windowTitle(), QStringLiteral("サーバー設定"));
    EXPECT_EQ(servers.Label1->text(), QStringLiteral("SMTPサーバー名(&S)"));
    EXPECT_EQ(servers.Label2->text(), QStringLiteral("POP3サーバー名(&P)"));
    EXPECT_EQ(servers.Label3->text(), QStringLiteral("メールアドレス(&M)"));
    EXPECT_EQ(servers.ApopCheck->text(), QStringLiteral("APOP を使用する(&A)"));
    EXPECT_EQ(servers.OKCommand->text(), QStringLiteral("設定"));
    EXPECT_EQ(servers.CancelCommand->text(), QStringLiteral("中止"));
    EXPECT_TRUE(servers.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}
