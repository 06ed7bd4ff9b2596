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
    Row<&OptionForm::Label1>("Label1", {240, 280, 1900, 255}, u"SMTPサーバー名(&S)", kSmtpHelp.view())
        .buddy("SmtpText"),
    Row<&OptionForm::SmtpText>("SmtpText", {2200, 240, 2900, 315}, {}, kSmtpHelp.view()),
    Row<&OptionForm::Label2>("Label2", {240, 760, 1900, 255}, u"POP3サーバー名(&P)", kPop3Help.view())
        .buddy("Pop3Text"),
    Row<&OptionForm::Pop3Text>("Pop3Text", {2200, 720, 2900, 315}, {}, kPop3Help.view()),
    Row<&OptionForm::Label3>("Label3", {240, 1240, 1900, 255}, u"メールアドレス(&M)").buddy("MailText"),
    Row<&OptionForm::MailText>("MailText", {2200, 1200, 2900, 315}),
    Row<&OptionForm::ApopCheck>("ApopCheck", {2200, 1680, 2900, 315}, u"APOP を使用する(&A)"),
    Row<&OptionForm::Label4>("Label4", {240, 2160, 1900, 255}, u"受信したメール", kCopyHelp),
    Row<&OptionForm::CopyOption, 0>("CopyOption0", {2200, 2120, 3400, 315}, u"受信後サーバーから削除",
                                    kCopyHelp),
    Row<&OptionForm::CopyOption, 1>("CopyOption1", {2200, 2480, 3400, 315}, u"サーバーに残す", kCopyHelp),
    Row<&OptionForm::CopyOption, 2>("CopyOption2", {2200, 2840, 1900, 315}, u"n 日後に削除", kCopyHelp),
    Row<&OptionForm::DaysBox>("DaysBox", {4200, 2820, 1100, 315}, {}, kCopyHelp),
    Row<&OptionForm::CopyOption, 3>("CopyOption3", {2200, 3200, 3400, 315},
                                    u"履歴で削除したらサーバーからも削除", kCopyHelp),
    Row<&OptionForm::OKCommand>("OKCommand", {2200, 3720, 1335, 435}, u"設定"),
    Row<&OptionForm::CancelCommand>("CancelCommand", {3765, 3720, 1335, 435}, u"中止"),
};

constexpr WindowDesign kDesign{.name = "OptionForm",
                               .title = u"サーバー設定",
                               .width = 5800,
                               .height = 4420,
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
    const ServerSettings& s = context_.settings.servers;
    SmtpText->setText(s.SmtpServer);
    Pop3Text->setText(s.Pop3Server);
    MailText->setText(s.MailAddress);
    ApopCheck->setChecked(s.UseApop != 0);
    // Read from the account file as every check reads it.
    const ServerCopy copy = ServerCopySetting::read(context_.paths.accountFile());
    CopyOption[int(copy.mode)]->setChecked(true);
    DaysBox->setValue(copy.days);
    DaysBox->setEnabled(copy.mode == ServerCopy::Mode::DeleteAfterDays);
    show();
    raise();
    activateWindow();
}

void OptionForm::OKCommand_Click() {
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
    ServerCopy copy;
    for (int mode = 0; mode < 4; ++mode)
        if (CopyOption[mode]->isChecked())
            copy.mode = ServerCopy::Mode(mode);
    copy.days = DaysBox->value();
    if (const Status kept = ServerCopySetting::write(context_.paths.accountFile(), copy); !kept)
        context_.prompter->message(this, ErrorText(kept.error()), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
    close();
}

void OptionForm::CancelCommand_Click() {
    close();
}
