#include "settings/idpassform.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "settings/accountfile.h"
#include "settings/signinform.h"
#include "settings/trustedauthserv.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

constexpr ControlRow kControls[] = {
    Row<&IdPassForm::Label1>("Label1", {240, 240, 900, 255}, u"ID"),
    Row<&IdPassForm::IdText>("IdText", {1200, 200, 2700, 315}),
    Row<&IdPassForm::Label2>("Label2", {240, 720, 900, 255}, u"Password"),
    Row<&IdPassForm::PassText>("PassText", {1200, 680, 2700, 315}),
    Row<&IdPassForm::Check1>("Check1", {1200, 1140, 2700, 315}, u"IDパスワードを保存する"),
    Row<&IdPassForm::OKCommand>("OKCommand", {1200, 1680, 1215, 435}, u"OK"),
    Row<&IdPassForm::CancelCommand>("CancelCommand", {2685, 1680, 1215, 435}, u"Cancel"),
    // In the corner left free beside the buttons: nothing else moves.
    Row<&IdPassForm::OAuthCommand>("OAuthCommand", {240, 1680, 855, 435}, u"OAuth2...",
                                   u"Gmail や Microsoft のアカウントに、パスワードの代わりに"
                                   u"ブラウザでサインインします (OAuth2)。"),
    Row<&IdPassForm::Label3>("Label3", {240, 2340, 900, 255}, u"認証結果"),
    Row<&IdPassForm::AuthservText>("AuthservText", {1200, 2300, 2700, 315}, {},
                                   u"差出人の認証結果を信頼するプロバイダのサーバ名 (authserv-id) です。"
                                   u"最初に受信したメールから自動で設定されます。"),
    // The first account only, while its password is still in iniIdPass.ini and a keyring runs.
    Row<&IdPassForm::KeyringCommand>("KeyringCommand", {1200, 2760, 2700, 375}, u"キーリングへ移す",
                                     u"パスワードを iniIdPass.ini からデスクトップのキーリングへ移します。"
                                     u"以前の版の Fennick はこのパスワードを読めなくなります。"),
};

constexpr WindowDesign kDesign{.name = "IdPassForm",
                               .title = u"ID,PASS",
                               .width = 4200,
                               .height = 3400,
                               .fixedSize = true,
                               .rows = kControls};

} // namespace

IdPassForm::IdPassForm(AppContext& context) : DesignedWindow(kDesign), context_(context) {
    build();
    PassText->setEchoMode(QLineEdit::Password);
    PassText->setStyleSheet(QStringLiteral("lineedit-password-character: 42;")); // masked with '*'
    connect(OAuthCommand, &QPushButton::clicked, this, &IdPassForm::OAuthCommand_Click);
    connect(OKCommand, &QPushButton::clicked, this, &IdPassForm::OKCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &IdPassForm::CancelCommand_Click);
    connect(KeyringCommand, &QPushButton::clicked, this, &IdPassForm::KeyringCommand_Click);
    Form_Load();
}

void IdPassForm::Form_Load() {
    const bool further = accountKey_ != AccountProfile::kFirstKey;
    Check1->setEnabled(!further);
    const Accounts::Loaded loaded = context_.accounts().load();
    for (const AccountProfile& a : loaded.accounts)
        if (a.key == accountKey_) {
            IdText->setText(a.loginId);
            PassText->setText(a.password);
            PassText->setPlaceholderText(a.signedIn ? QStringLiteral("OAuth2 でサインイン済み") : QString());
        }
    Check1->setChecked(further);
    KeyringCommand->setEnabled(!further && context_.secrets && context_.secrets->available() &&
                               !context_.accounts().firstPasswordInKeyring());
    AuthservText->setText(trustedAuthserv().load());
    // The box then shows no password: say why before one is typed over it.
    if (loaded.withoutPasswords.contains(accountKey_))
        context_.prompter->message(this, ErrorText(*loaded.keyring), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
}

void IdPassForm::KeyringCommand_Click() {
    if (context_.prompter->message(
            this,
            QStringLiteral("パスワードをキーリングへ移します。以前の版の Fennick は、"
                           "このパスワードを読めなくなり、受信の時に尋ねます。よろしいですか？"),
            windowTitle(), Prompter::Icon::Question, Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return;
    if (const Status moved = context_.accounts().moveFirstPasswordToKeyring(); !moved) {
        context_.prompter->message(this, ErrorText(moved.error()), windowTitle(), Prompter::Icon::Warning);
        return;
    }
    KeyringCommand->setEnabled(false);
}

void IdPassForm::open() {
    openFor(AccountProfile::kFirstKey);
}

void IdPassForm::openFor(const QString& accountKey) {
    if (accountKey != accountKey_) {
        // Its sign-in window signs in the account it was opened for.
        if (signIn_)
            signIn_->close(); // and goes (WA_DeleteOnClose)
        signIn_.clear();
        accountKey_ = accountKey;
        Form_Load();
    }
    Check1->setChecked(accountKey_ != AccountProfile::kFirstKey);
    show();
    raise();
    activateWindow();
}

void IdPassForm::confirmFurther() {
    const Accounts accounts = context_.accounts();
    Status kept = Status::failure({.kind = Error::Kind::NoSuchAccount, .name = accountKey_});
    for (AccountProfile a : accounts.load().accounts)
        if (a.key == accountKey_) {
            a.loginId = IdText->text();
            a.password = PassText->text();
            kept = accounts.edit(a);
        }
    if (!kept) {
        context_.prompter->message(this, ErrorText(kept.error()), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
        return;
    }
    keepTrustedAuthserv();
    close();
}

TrustedAuthserv IdPassForm::trustedAuthserv() const {
    return TrustedAuthserv(context_.paths.dataFile(TrustedAuthserv::fileName(accountKey_)));
}

void IdPassForm::keepTrustedAuthserv() {
    const TrustedAuthserv trusted = trustedAuthserv();
    if (AuthservText->text().trimmed().toLower() != trusted.load())
        if (const Status kept = trusted.save(AuthservText->text()); !kept)
            context_.prompter->message(this, ErrorText(kept.error()), QStringLiteral("Fennick"),
                                       Prompter::Icon::Warning);
}

void IdPassForm::OKCommand_Click() {
    if (accountKey_ != AccountProfile::kFirstKey)
        return confirmFurther();
    const Account account{IdText->text(), PassText->text()};
    context_.settings.AccountId = account.id;
    context_.settings.AccountPassword = account.password;
    const bool save = Check1->isChecked();
    const Status saved = context_.accounts().confirmFirst(account, save);
    keepTrustedAuthserv();
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
        signIn_ = new SignInForm(context_, accountKey_, [this] { Form_Load(); });
        signIn_->setParent(this, Qt::Window);
        signIn_->setAttribute(Qt::WA_DeleteOnClose);
    }
    signIn_->open();
}
