#include "settings/optionform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "settings/servercopysetting.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

constexpr char16_t kTlsHelp[] =
    u"暗号化できるサーバーで暗号化に失敗したときは、暗号化せずに続けることはなくエラーになります。\n"
    u"証明書を確かめられないときは理由と SHA-256 指紋を示して、信頼するかどうか尋ねます。\n"
    u"信頼した証明書は ★MAilData/trusted-certificates に記録され、次からは尋ねません。";
constexpr auto kSmtpHelp = JoinTexts(
    u"SMTPサーバーの書き方:\n"
    u"  mail.example.jp　ポート25。サーバーが対応していれば STARTTLS で暗号化します\n"
    u"  mail.example.jp:587　ポートを指定します (587 はメール送信用のポートで、STARTTLS で暗号化します)\n"
    u"  smtp://mail.example.jp[:ポート]　上と同じです\n"
    u"  smtps://mail.example.jp[:ポート]　最初から暗号化 (TLS) します。ポートは465です\n"
    u"  mail.example.jp:465　ポート465は最初から暗号化します\n"
    u"  [2001:db8::1]:25　IPv6 アドレスは [ ] で囲みます\n"
    u"サーバーが認証 (SMTP AUTH) を求めるときは、アカウントの ID とパスワードでログインします。\n"
    u"暗号化していないときは CRAM-MD5 などを使い、パスワードをそのまま送るのは\n"
    u"サーバーがほかの方法に対応していないときだけです。\n",
    kTlsHelp);
constexpr auto kPop3Help =
    JoinTexts(u"POP3サーバーの書き方:\n"
              u"  mail.example.jp　ポート110。サーバーが対応していれば STLS で暗号化します\n"
              u"  mail.example.jp:1110　ポートを指定します\n"
              u"  pop3://mail.example.jp[:ポート]　上と同じです\n"
              u"  pop3s://mail.example.jp[:ポート]　最初から暗号化 (TLS) します。ポートは995です\n"
              u"  mail.example.jp:995　ポート995は最初から暗号化します\n"
              u"  [2001:db8::1]:110　IPv6 アドレスは [ ] で囲みます\n",
              kTlsHelp);

constexpr char16_t kCopyHelp[] =
    u"受信したメールをサーバーに残すと、スマートフォンなどほかのメールソフトでも読めます。\n"
    u"残したメールは一度だけ受信し、次からは受信しません。\n"
    u"「n 日後に削除」は、ここに保存してから n 日を過ぎたメールを次の受信でサーバーから削除します。\n"
    u"「履歴で削除したら…」は、受信履歴で削除したメールを次の受信でサーバーから削除します。";

constexpr ControlRow kControls[] = {
    Row<&OptionForm::NameLabel>("NameLabel", {240, 280, 1900, 255}, u"アカウント名(&N)").buddy("NameText"),
    Row<&OptionForm::NameText>("NameText", {2200, 240, 2900, 315}),
    Row<&OptionForm::Label1>("Label1", {240, 760, 1900, 255}, u"SMTPサーバー名(&S)", kSmtpHelp.view())
        .buddy("SmtpText"),
    Row<&OptionForm::SmtpText>("SmtpText", {2200, 720, 2900, 315}, {}, kSmtpHelp.view()),
    Row<&OptionForm::Label2>("Label2", {240, 1240, 1900, 255}, u"POP3サーバー名(&P)", kPop3Help.view())
        .buddy("Pop3Text"),
    Row<&OptionForm::Pop3Text>("Pop3Text", {2200, 1200, 2900, 315}, {}, kPop3Help.view()),
    Row<&OptionForm::Label3>("Label3", {240, 1720, 1900, 255}, u"メールアドレス(&M)").buddy("MailText"),
    Row<&OptionForm::MailText>("MailText", {2200, 1680, 2900, 315}),
    Row<&OptionForm::ApopCheck>("ApopCheck", {2200, 2160, 2900, 315}, u"APOP を使用する(&A)"),
    Row<&OptionForm::Label4>("Label4", {240, 2640, 1900, 255}, u"受信したメール", kCopyHelp),
    Row<&OptionForm::CopyOption, 0>("CopyOption0", {2200, 2600, 3400, 315}, u"受信後サーバーから削除",
                                    kCopyHelp),
    Row<&OptionForm::CopyOption, 1>("CopyOption1", {2200, 2960, 3400, 315}, u"サーバーに残す", kCopyHelp),
    Row<&OptionForm::CopyOption, 2>("CopyOption2", {2200, 3320, 1900, 315}, u"n 日後に削除", kCopyHelp),
    Row<&OptionForm::DaysBox>("DaysBox", {4200, 3300, 1100, 315}, {}, kCopyHelp),
    Row<&OptionForm::CopyOption, 3>("CopyOption3", {2200, 3680, 3400, 315},
                                    u"履歴で削除したらサーバーからも削除", kCopyHelp),
    Row<&OptionForm::OKCommand>("OKCommand", {2200, 4200, 1335, 435}, u"設定"),
    Row<&OptionForm::CancelCommand>("CancelCommand", {3765, 4200, 1335, 435}, u"中止"),
};

constexpr WindowDesign kDesign{.name = "OptionForm",
                               .title = u"サーバー設定",
                               .width = 5800,
                               .height = 4900,
                               .fixedSize = true,
                               .rows = kControls};

} // namespace

OptionForm::OptionForm(AppContext& context)
    : DesignedWindow(kDesign, Qt::Window | Qt::WindowStaysOnTopHint), context_(context) {
    build();
    connect(OKCommand, &QPushButton::clicked, this, &OptionForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &OptionForm::CancelCommand_Click);
    DaysBox->setRange(1, ServerCopySetting::kMaxDays);
    DaysBox->setSuffix(QStringLiteral(" 日"));
    const int days = int(ServerCopy::Mode::DeleteAfterDays);
    connect(CopyOption[days], &QRadioButton::toggled, DaysBox, &QSpinBox::setEnabled);
}

void OptionForm::open() {
    openFor(AccountProfile::kFirstKey);
}

void OptionForm::openFor(const QString& accountKey) {
    accountKey_ = accountKey;
    const Accounts::Loaded loaded = context_.accounts().load();
    AccountProfile account;
    for (const AccountProfile& a : loaded.accounts)
        if (a.key == accountKey)
            account = a;
    if (accountKey == AccountProfile::kFirstKey) {
        const ServerSettings& s = context_.settings.servers;
        account.smtpServer = s.SmtpServer;
        account.pop3Server = s.Pop3Server;
        account.address = s.MailAddress;
        account.apop = s.UseApop != 0;
        // Read from the account file as every check reads it.
        account.serverCopy = ServerCopySetting::read(context_.paths.accountFile());
    }
    NameText->setText(account.displayName);
    SmtpText->setText(account.smtpServer);
    Pop3Text->setText(account.pop3Server);
    MailText->setText(account.address);
    ApopCheck->setChecked(account.apop);
    CopyOption[int(account.serverCopy.mode)]->setChecked(true);
    DaysBox->setValue(account.serverCopy.days);
    DaysBox->setEnabled(account.serverCopy.mode == ServerCopy::Mode::DeleteAfterDays);
    show();
    raise();
    activateWindow();
}

ServerCopy OptionForm::chosenCopy() const {
    ServerCopy copy;
    for (int mode = 0; mode < 4; ++mode)
        if (CopyOption[mode]->isChecked())
            copy.mode = ServerCopy::Mode(mode);
    copy.days = DaysBox->value();
    return copy;
}

void OptionForm::warn(const Error& error) {
    context_.prompter->message(this, ErrorText(error), QStringLiteral("Fennick"), Prompter::Icon::Warning);
}

void OptionForm::confirmFurther() {
    const Accounts accounts = context_.accounts();
    Status kept = Status::failure({.kind = Error::Kind::NoSuchAccount, .name = accountKey_});
    for (AccountProfile a : accounts.load().accounts)
        if (a.key == accountKey_) {
            a.displayName = NameText->text();
            a.smtpServer = SmtpText->text();
            a.pop3Server = Pop3Text->text();
            a.address = MailText->text();
            a.apop = ApopCheck->isChecked();
            a.serverCopy = chosenCopy();
            kept = accounts.edit(a);
        }
    // What was typed stays in the window to be tried again.
    if (!kept)
        return warn(kept.error());
    close();
}

void OptionForm::OKCommand_Click() {
    if (accountKey_ != AccountProfile::kFirstKey)
        return confirmFurther();
    ServerSettings s;
    s.SmtpServer = SmtpText->text();
    s.Pop3Server = Pop3Text->text();
    s.MailAddress = MailText->text();
    s.UseApop = ApopCheck->isChecked() ? 1 : 0;
    context_.settings.servers = s;
    const Status saved = s.write(context_.serverSettingsFile());
    if (!saved)
        context_.prompter->message(this, SettingsForThisRunText(saved.error()), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
    if (const Status kept = ServerCopySetting::write(context_.paths.accountFile(), chosenCopy()); !kept)
        warn(kept.error());
    if (const Status named = context_.accounts().nameFirst(NameText->text()); !named)
        warn(named.error());
    close();
}

void OptionForm::CancelCommand_Click() {
    close();
}
