#include "settings/idpassform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "settings/accountfile.h"
#include "settings/signinform.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/named.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"

IdPassForm::IdPassForm(AppContext& context) : context_(context) {
    setObjectName(QStringLiteral("IdPassForm"));
    setWindowTitle(QStringLiteral("ID,PASS"));
    setFixedSize(Twips::toPixels(4200), Twips::toPixels(2400));
    Label1 = new QLabel(QStringLiteral("ID"), this);
    Named(Label1, "Label1")->setGeometry(Twips::rect(240, 240, 900, 255));
    IdText = new QLineEdit(this);
    Named(IdText, "IdText")->setGeometry(Twips::rect(1200, 200, 2700, 315));
    Label2 = new QLabel(QStringLiteral("Password"), this);
    Named(Label2, "Label2")->setGeometry(Twips::rect(240, 720, 900, 255));
    PassText = new QLineEdit(this);
    PassText->setEchoMode(QLineEdit::Password);
    PassText->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // masked with '*'

    Named(PassText, "PassText")->setGeometry(Twips::rect(1200, 680, 2700, 315));
    Check1 = new QCheckBox(QStringLiteral("IDパスワードを保存する"), this);
    Named(Check1, "Check1")->setGeometry(Twips::rect(1200, 1140, 2700, 315));
    OKCommand = new QPushButton(QStringLiteral("OK"), this);
    Named(OKCommand, "OKCommand")->setGeometry(Twips::rect(1200, 1680, 1215, 435));
    CancelCommand = new QPushButton(QStringLiteral("Cancel"), this);
    Named(CancelCommand, "CancelCommand")->setGeometry(Twips::rect(2685, 1680, 1215, 435));
    // In the corner left free beside the buttons: nothing else moves.
    OAuthCommand = new QPushButton(QStringLiteral("OAuth2..."), this);
    Named(OAuthCommand, "OAuthCommand")->setGeometry(Twips::rect(240, 1680, 855, 435));
    OAuthCommand->setToolTip(QStringLiteral("Gmail や Microsoft のアカウントに、パスワードの代わりに"
                                            "ブラウザでサインインします (OAuth2)。"));
    connect(OAuthCommand, &QPushButton::clicked, this, &IdPassForm::OAuthCommand_Click);
    connect(OKCommand, &QPushButton::clicked, this, &IdPassForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &IdPassForm::CancelCommand_Click);
    Form_Load();
}

void IdPassForm::Form_Load() {
    const Account account = AccountFile(context_.paths.accountFile()).load();
    IdText->setText(account.id);
    PassText->setText(account.password);
    PassText->setPlaceholderText(account.signedIn ? QStringLiteral("OAuth2 でサインイン済み") : QString());
    Check1->setChecked(false);
}

void IdPassForm::open() {
    Check1->setChecked(false);
    show();
    raise();
    activateWindow();
}

void IdPassForm::OKCommand_Click() {
    const Account account{IdText->text(), PassText->text()};
    context_.settings.AccountId = account.id;
    context_.settings.AccountPassword = account.password;
    const bool save = Check1->isChecked();
    const Status saved = AccountFile(context_.paths.accountFile()).confirm(account, save);
    if (save)
        context_.settings.unsavedAccount = saved ? std::nullopt : std::optional<Account>(account);
    if (!saved)
        context_.prompter->message(this,
                                   save ? SettingsForThisRunText(saved.error()) : ErrorText(saved.error()),
                                   QStringLiteral("Fennick"), Prompter::Icon::Warning);
    close();
}

void IdPassForm::CancelCommand_Click() {
    close();
}

SignInForm* IdPassForm::signInWindow() const {
    return signIn_;
}

void IdPassForm::OAuthCommand_Click() {
    if (!signIn_) {
        // A window of its own that goes when this one goes.
        signIn_ = new SignInForm(context_, [this] { Form_Load(); });
        signIn_->setParent(this, Qt::Window);
        signIn_->setAttribute(Qt::WA_DeleteOnClose);
    }
    signIn_->open();
}
