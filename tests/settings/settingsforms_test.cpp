// What the settings windows do beyond their design tables: the masked
// password, the providers offered for the sign-in, and the server window
// above the others.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include "settings/alwaysonform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/servercopysetting.h"
#include "settings/setform.h"
#include "settings/signinform.h"
#include "settings/trustedauthserv.h"
#include "tests/support/appfolder.h"

namespace {

class SettingsForms : public testing::Test, protected AppFolder {};

// The hub on the first account (by its address) and two further ones.
class AccountHub : public SettingsForms {
  protected:
    void SetUp() override {
        WriteBytes(context.serverSettingsFile(), "MAIL=me@example.jp\r\n");
        AccountProfile work;
        work.displayName = QStringLiteral("仕事");
        work.loginId = QStringLiteral("taro");
        keys = {AccountProfile::kFirstKey, context.accounts().add(work)->key,
                context.accounts().add({})->key};
        hub = std::make_unique<SetForm>(
            context, [this](const QString& key) { opened << QStringLiteral("account ") + key; },
            [this](const QString& key) { opened << QStringLiteral("servers ") + key; }, [] {});
    }
    QStringList listed() const {
        QStringList texts;
        for (int i = 0; i < hub->AccountList->count(); ++i)
            texts << hub->AccountList->item(i)->text();
        return texts;
    }
    QStringList furtherKeysInFile() {
        QStringList further;
        for (const AccountProfile& a : context.accounts().load().accounts.mid(1))
            further << a.key;
        return further;
    }

    QStringList keys;
    QStringList opened;
    std::unique_ptr<SetForm> hub;
};

} // namespace

TEST_F(SettingsForms, accountWindowMasksThePassword) {
    IdPassForm account(context);
    EXPECT_EQ(account.PassText->echoMode(), QLineEdit::Password);
}

TEST_F(SettingsForms, signInWindowOffersTheProvidersAndAsksForEndpointsOnlyForAnother) {
    SignInForm signIn(context, AccountProfile::kFirstKey, {});
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

TEST_F(AccountHub, listsTheAccountsAndOffersWhatTheSelectedOneAllows) {
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("me@example.jp"), QStringLiteral("仕事"),
                                     QStringLiteral("（新しいアカウント）")}));
    const struct {
        const char* name;
        int row;
        bool up, down, remove;
    } rows[] = {
        {"first-stays-first", 0, false, false, false},
        {"second-cannot-pass-the-first", 1, false, true, true},
        {"last-cannot-go-down", 2, true, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        hub->AccountList->setCurrentRow(row.row);
        EXPECT_EQ(hub->UpCommand->isEnabled(), row.up);
        EXPECT_EQ(hub->DownCommand->isEnabled(), row.down);
        EXPECT_EQ(hub->RemoveCommand->isEnabled(), row.remove);
        hub->Command1_Click();
        EXPECT_EQ(opened.takeLast(), QStringLiteral("account ") + keys[row.row]);
        hub->Command2_Click();
        EXPECT_EQ(opened.takeLast(), QStringLiteral("servers ") + keys[row.row]);
    }
}

TEST_F(AccountHub, serverWindowEditsTheSelectedAccountsOwnEntry) {
    const QByteArray firstServers = ReadBytes(context.serverSettingsFile());
    OptionForm servers(context);
    servers.openFor(keys[1]);
    EXPECT_EQ(servers.NameText->text(), QStringLiteral("仕事"));
    servers.NameText->setText(QStringLiteral("会社"));
    servers.SmtpText->setText(QStringLiteral("smtp.work.example:587"));
    servers.Pop3Text->setText(QStringLiteral("pop3s://pop.work.example"));
    servers.MailText->setText(QStringLiteral("taro@work.example"));
    servers.CopyOption[int(ServerCopy::Mode::Keep)]->setChecked(true);
    servers.OKCommand_Click();
    const AccountProfile work = context.accounts().load().accounts.value(1);
    EXPECT_EQ(work.displayName, QStringLiteral("会社"));
    EXPECT_EQ(work.smtpServer, QStringLiteral("smtp.work.example:587"));
    EXPECT_EQ(work.pop3Server, QStringLiteral("pop3s://pop.work.example"));
    EXPECT_EQ(work.address, QStringLiteral("taro@work.example"));
    EXPECT_EQ(work.serverCopy.mode, ServerCopy::Mode::Keep);
    EXPECT_EQ(work.loginId, QStringLiteral("taro")) << "the account window's part stays";
    EXPECT_EQ(ReadBytes(context.serverSettingsFile()), firstServers) << "the first account's servers stay";

    context.settings.servers = ServerSettings::read(context.serverSettingsFile()); // as at start-up
    servers.openFor(AccountProfile::kFirstKey);
    EXPECT_EQ(servers.MailText->text(), QStringLiteral("me@example.jp"));
    servers.NameText->setText(QStringLiteral("個人"));
    servers.OKCommand_Click();
    EXPECT_EQ(context.accounts().load().accounts.value(0).displayName, QStringLiteral("個人"));
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(AccountHub, removesAnAccountOnlyWhenTheUserSaysYes) {
    hub->AccountList->setCurrentRow(1);
    prompter.answers = {Prompter::Answer::No, Prompter::Answer::Yes};
    hub->RemoveCommand_Click();
    EXPECT_EQ(furtherKeysInFile(), keys.mid(1));
    hub->RemoveCommand_Click();
    EXPECT_EQ(furtherKeysInFile(), keys.mid(2));
    EXPECT_EQ(listed(),
              (QStringList{QStringLiteral("me@example.jp"), QStringLiteral("（新しいアカウント）")}));
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("アカウント「仕事」を削除しますか？\n受信したメールは履歴に残ります。"));
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
}

TEST_F(AccountHub, movesAFurtherAccountAndTheSelectionFollows) {
    hub->AccountList->setCurrentRow(2);
    hub->UpCommand_Click();
    EXPECT_EQ(furtherKeysInFile(), (QStringList{keys[2], keys[1]}));
    EXPECT_EQ(hub->AccountList->currentRow(), 1);
    hub->DownCommand_Click();
    EXPECT_EQ(furtherKeysInFile(), keys.mid(1));
    hub->AddCommand_Click();
    EXPECT_EQ(hub->AccountList->currentRow(), 3);
    EXPECT_EQ(furtherKeysInFile().size(), 3);
}

TEST_F(AccountHub, accountWindowEditsTheSelectedFurtherAccountAndLeavesTheFirst) {
    WriteBytes(context.paths.accountFile(), "[EXEINI]\r\nNAME=me\r\nNAME2=pw\r\n");
    IdPassForm account(context);
    account.openFor(keys[1]);
    EXPECT_EQ(account.IdText->text(), QStringLiteral("taro"));
    EXPECT_TRUE(account.Check1->isChecked());
    account.IdText->setText(QStringLiteral("taro2"));
    account.PassText->setText(QStringLiteral("new"));
    account.OKCommand_Click();
    const AccountProfile edited = context.accounts().load().accounts[1];
    EXPECT_EQ(edited.loginId, QStringLiteral("taro2"));
    EXPECT_EQ(edited.password, QStringLiteral("new"));
    EXPECT_EQ(edited.displayName, QStringLiteral("仕事"));
    EXPECT_EQ(ReadBytes(context.paths.accountFile()), "[EXEINI]\r\nNAME=me\r\nNAME2=pw\r\n");
    account.openFor(AccountProfile::kFirstKey);
    EXPECT_EQ(account.IdText->text(), QStringLiteral("me"));
    EXPECT_FALSE(account.Check1->isChecked());
}

TEST_F(AccountHub, accountWindowShowsAndKeepsTheSelectedAccountsTrustedAuthservId) {
    const auto trusted = [this](int account) {
        return TrustedAuthserv(context.paths.dataFile(
            account == 0 ? QStringLiteral("authserv.ini") : TrustedAuthserv::fileName(keys[account])));
    };
    const struct {
        const char* name;
        int account;
        QString shown;
    } rows[] = {
        {"first-account-in-the-file-older-copies-read", 0, QStringLiteral("mx.google.com")},
        {"further-account-in-its-own", 1, QStringLiteral("mx.work.example")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(trusted(0).save(rows[0].shown).ok());
        ASSERT_TRUE(trusted(1).save(rows[1].shown).ok());
        IdPassForm account(context);
        account.openFor(keys[row.account]);
        EXPECT_TRUE(account.AuthservText->isEnabled());
        EXPECT_EQ(account.AuthservText->text(), row.shown);
        account.AuthservText->setText(QStringLiteral(" MX.Provider.Example "));
        account.OKCommand_Click();
        EXPECT_EQ(trusted(row.account).load(), QStringLiteral("mx.provider.example"));
        EXPECT_EQ(trusted(1 - row.account).load(), rows[1 - row.account].shown);
    }
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(SettingsForms, accountWindowSaysWhyAPasswordKeptInTheKeyringIsMissing) {
    WriteBytes(context.paths.dataFile(QStringLiteral("accounts")),
               "fennick accounts 1\n[0badcafe]\nlogin=hana\nsecrets=keyring\n");
    IdPassForm account(context);
    account.openFor(QStringLiteral("0badcafe"));
    EXPECT_EQ(account.IdText->text(), QStringLiteral("hana"));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("デスクトップのキーリング (GNOME キーリング、KWallet) が動いていません。"));
}

namespace {

// A keyring that runs and keeps what it is given.
struct KeptSecrets : SecretStore {
    mutable QHash<QString, QString> kept;
    bool available() const override { return true; }
    Result<std::optional<QString>> read(const QString& name) const override {
        return kept.contains(name) ? std::optional(kept.value(name)) : std::nullopt;
    }
    Status write(const QString& name, const QString& secret) const override {
        kept.insert(name, secret);
        return {};
    }
    Status remove(const QString& name) const override {
        kept.remove(name);
        return {};
    }
};

} // namespace

TEST_F(SettingsForms, theFirstAccountsPasswordMovesToTheKeyringOnlyWhenAskedAndOnlyOnce) {
    const KeptSecrets keyring;
    const QByteArray inFile = "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n";
    const struct {
        const char* name;
        bool keyringRuns;
        Prompter::Answer answer;
        bool moved; // the password left the file for the keyring
    } rows[] = {
        {"no-keyring-running", false, Prompter::Answer::Yes, false},
        {"asked-and-declined", true, Prompter::Answer::No, false},
        {"asked-and-agreed", true, Prompter::Answer::Yes, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        keyring.kept.clear();
        WriteBytes(context.paths.accountFile(), inFile);
        context.secrets = row.keyringRuns ? &keyring : nullptr;
        prompter.answers = {row.answer};
        IdPassForm account(context);
        account.open();
        EXPECT_EQ(account.KeyringCommand->isEnabled(), row.keyringRuns);
        account.KeyringCommand->click();
        EXPECT_EQ(ReadBytes(context.paths.accountFile()).contains("NAME2=pw"), !row.moved);
        EXPECT_EQ(keyring.kept.values().contains(QStringLiteral("pw")), row.moved);
        EXPECT_EQ(context.accounts().load().accounts.value(0).password, QStringLiteral("pw"))
            << "read either way";
        EXPECT_EQ(IdPassForm(context).KeyringCommand->isEnabled(), row.keyringRuns && !row.moved)
            << "once moved, there is nothing left to move";
    }
}
