#include "settings/optionform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/named.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"

OptionForm::OptionForm(AppContext& context)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), context_(context) {
    setObjectName(QStringLiteral("OptionForm"));
    setWindowTitle(QStringLiteral("サーバー設定"));
    setFixedSize(Twips::toPixels(5400), Twips::toPixels(2900));
    Label1 = new QLabel(QStringLiteral("SMTPサーバー名(&S)"), this);
    Named(Label1, "Label1")->setGeometry(Twips::rect(240, 280, 1900, 255));
    SmtpText = new QLineEdit(this);
    Named(SmtpText, "SmtpText")->setGeometry(Twips::rect(2200, 240, 2900, 315));
    Label1->setBuddy(SmtpText);
    Label2 = new QLabel(QStringLiteral("POP3サーバー名(&P)"), this);
    Named(Label2, "Label2")->setGeometry(Twips::rect(240, 760, 1900, 255));
    Pop3Text = new QLineEdit(this);
    Named(Pop3Text, "Pop3Text")->setGeometry(Twips::rect(2200, 720, 2900, 315));
    Label2->setBuddy(Pop3Text);
    const QString tlsHelp = QStringLiteral(
        "暗号化できるサーバーで暗号化に失敗したときは、暗号化せずに続けることはなくエラーになります。\n"
        "証明書を確かめられないときは理由と SHA-256 指紋を示して、信頼するかどうか尋ねます。\n"
        "信頼した証明書は ★MAilData/trusted-certificates に記録され、次からは尋ねません。");
    const QString smtpHelp = QStringLiteral(
        "SMTPサーバーの書き方:\n"
        "  mail.example.jp　ポート25。サーバーが対応していれば STARTTLS で暗号化します\n"
        "  mail.example.jp:587　ポートを指定します (587 はメール送信用のポートで、STARTTLS で暗号化します)\n"
        "  smtp://mail.example.jp[:ポート]　上と同じです\n"
        "  smtps://mail.example.jp[:ポート]　最初から暗号化 (TLS) します。ポートは465です\n"
        "  mail.example.jp:465　ポート465は最初から暗号化します\n"
        "  [2001:db8::1]:25　IPv6 アドレスは [ ] で囲みます\n"
        "サーバーが認証 (SMTP AUTH) を求めるときは、アカウントの ID とパスワードでログインします。\n"
        "暗号化していないときは CRAM-MD5 などを使い、パスワードをそのまま送るのは\n"
        "サーバーがほかの方法に対応していないときだけです。\n");
    Label1->setToolTip(smtpHelp + tlsHelp);
    SmtpText->setToolTip(smtpHelp + tlsHelp);
    const QString pop3Help =
        QStringLiteral("POP3サーバーの書き方:\n"
                       "  mail.example.jp　ポート110。サーバーが対応していれば STLS で暗号化します\n"
                       "  mail.example.jp:1110　ポートを指定します\n"
                       "  pop3://mail.example.jp[:ポート]　上と同じです\n"
                       "  pop3s://mail.example.jp[:ポート]　最初から暗号化 (TLS) します。ポートは995です\n"
                       "  mail.example.jp:995　ポート995は最初から暗号化します\n"
                       "  [2001:db8::1]:110　IPv6 アドレスは [ ] で囲みます\n");
    Label2->setToolTip(pop3Help + tlsHelp);
    Pop3Text->setToolTip(pop3Help + tlsHelp);
    Label3 = new QLabel(QStringLiteral("メールアドレス(&M)"), this);
    Named(Label3, "Label3")->setGeometry(Twips::rect(240, 1240, 1900, 255));
    MailText = new QLineEdit(this);
    Named(MailText, "MailText")->setGeometry(Twips::rect(2200, 1200, 2900, 315));
    Label3->setBuddy(MailText);
    ApopCheck = new QCheckBox(QStringLiteral("APOP を使用する(&A)"), this);
    Named(ApopCheck, "ApopCheck")->setGeometry(Twips::rect(2200, 1680, 2900, 315));
    OKCommand = new QPushButton(QStringLiteral("設定"), this);
    Named(OKCommand, "OKCommand")->setGeometry(Twips::rect(2200, 2200, 1335, 435));
    CancelCommand = new QPushButton(QStringLiteral("中止"), this);
    Named(CancelCommand, "CancelCommand")->setGeometry(Twips::rect(3765, 2200, 1335, 435));
    connect(OKCommand, &QPushButton::clicked, this, &OptionForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &OptionForm::CancelCommand_Click);
}

void OptionForm::open() {
    const ServerSettings& s = context_.settings.servers;
    SmtpText->setText(s.SmtpServer);
    Pop3Text->setText(s.Pop3Server);
    MailText->setText(s.MailAddress);
    ApopCheck->setChecked(s.UseApop != 0);
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
    close();
}

void OptionForm::CancelCommand_Click() {
    close();
}
