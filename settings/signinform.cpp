#include "settings/signinform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "oauth/signinflow.h"
#include "oauth/signinplan.h"
#include "settings/accountfile.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/named.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/twips.h"

namespace {

const QString kTitle = QStringLiteral("サインイン");

QLineEdit* row(QWidget* parent, QLabel*& label, const QString& caption, const char* name, int top) {
    label = new QLabel(caption, parent);
    label->setGeometry(Twips::rect(240, top + 40, 1500, 255));
    auto* box = new QLineEdit(parent);
    Named(box, name)->setGeometry(Twips::rect(1800, top, 3960, 315));
    label->setBuddy(box);
    return box;
}

} // namespace

SignInForm::SignInForm(AppContext& context, std::function<void()> changed)
    : context_(context), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("SignInForm"));
    setWindowTitle(QStringLiteral("OAuth2 サインイン"));
    setFixedSize(Twips::toPixels(6000), Twips::toPixels(5100));
    Label1 = new QLabel(QStringLiteral("プロバイダー(&V)"), this);
    Label1->setGeometry(Twips::rect(240, 240, 1500, 255));
    ProviderCombo = new QComboBox(this);
    Named(ProviderCombo, "ProviderCombo")->setGeometry(Twips::rect(1800, 200, 3960, 315));
    for (const OAuthProvider& p : OAuthProviders())
        ProviderCombo->addItem(p.name, p.id);
    ProviderCombo->addItem(QStringLiteral("その他 (URL を入力)"), kCustomProvider);
    Label1->setBuddy(ProviderCombo);
    AddressText = row(this, Label2, QStringLiteral("メールアドレス(&M)"), "AddressText", 640);
    AuthUrlText = row(this, Label3, QStringLiteral("認可 URL"), "AuthUrlText", 1080);
    TokenUrlText = row(this, Label4, QStringLiteral("トークン URL"), "TokenUrlText", 1520);
    ScopeText = row(this, Label5, QStringLiteral("スコープ"), "ScopeText", 1960);
    ClientIdText = row(this, Label6, QStringLiteral("クライアント ID"), "ClientIdText", 2400);
    ClientSecretText = row(this, Label7, QStringLiteral("シークレット"), "ClientSecretText", 2840);
    StatusLabel = new QLabel(this);
    Named(StatusLabel, "StatusLabel")->setGeometry(Twips::rect(240, 3300, 5520, 615));
    StatusLabel->setWordWrap(true);
    StatusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    UrlText = new QLineEdit(this);
    Named(UrlText, "UrlText")->setGeometry(Twips::rect(240, 3960, 5520, 315));
    UrlText->setReadOnly(true);
    UrlText->hide();
    SignInCommand = new QPushButton(this);
    Named(SignInCommand, "SignInCommand")->setGeometry(Twips::rect(240, 4440, 1980, 435));
    SignOutCommand = new QPushButton(QStringLiteral("パスワードに戻す"), this);
    Named(SignOutCommand, "SignOutCommand")->setGeometry(Twips::rect(2340, 4440, 1860, 435));
    CancelCommand = new QPushButton(QStringLiteral("閉じる"), this);
    Named(CancelCommand, "CancelCommand")->setGeometry(Twips::rect(4320, 4440, 1440, 435));
    connect(ProviderCombo, &QComboBox::currentIndexChanged, this, &SignInForm::ProviderCombo_Change);
    connect(SignInCommand, &QPushButton::clicked, this, &SignInForm::SignInCommand_Click);
    connect(SignOutCommand, &QPushButton::clicked, this, &SignInForm::SignOutCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &SignInForm::CancelCommand_Click);
    showRunning(false);
    ProviderCombo_Change();
}

SignInForm::~SignInForm() = default;

void SignInForm::open() {
    const AccountFile account(context_.paths.accountFile());
    const std::optional<OAuthSignIn> signedIn = TokenStore(account.tokenStoreFile()).load();
    if (signedIn) {
        ProviderCombo->setCurrentIndex(std::max(0, ProviderCombo->findData(signedIn->client.provider)));
        AddressText->setText(signedIn->user);
        if (signedIn->client.provider == kCustomProvider) {
            AuthUrlText->setText(signedIn->client.authorizationUrl);
            TokenUrlText->setText(signedIn->client.tokenUrl);
            ScopeText->setText(signedIn->client.scope);
            ClientIdText->setText(signedIn->client.clientId);
            ClientSecretText->setText(signedIn->client.clientSecret);
        }
        StatusLabel->setText(QStringLiteral("%1 でサインインしています。").arg(signedIn->user));
    } else {
        if (AddressText->text().isEmpty())
            AddressText->setText(account.load().id);
        StatusLabel->setText(QStringLiteral("パスワードでログインしています。"));
    }
    SignOutCommand->setEnabled(signedIn.has_value() && !running_);
    show();
    raise();
    activateWindow();
}

void SignInForm::ProviderCombo_Change() {
    const bool custom = ProviderCombo->currentData().toString() == kCustomProvider;
    for (QLineEdit* box : {AuthUrlText, TokenUrlText, ScopeText, ClientIdText, ClientSecretText})
        box->setEnabled(custom);
}

void SignInForm::showRunning(bool running) {
    running_ = running;
    SignInCommand->setText(running ? QStringLiteral("中止") : QStringLiteral("ブラウザでサインイン"));
    SignOutCommand->setEnabled(
        !running &&
        TokenStore(AccountFile(context_.paths.accountFile()).tokenStoreFile()).load().has_value());
    if (!running)
        UrlText->hide();
}

void SignInForm::fail(const QString& text) {
    StatusLabel->setText(text);
    context_.prompter->message(this, text, kTitle, Prompter::Icon::Warning);
}

void SignInForm::SignInCommand_Click() {
    if (running_) {
        signIn_.cancel();
        return;
    }
    SignInChoice choice{ProviderCombo->currentData().toString(), AddressText->text(), {}};
    choice.custom = {kCustomProvider,
                     AuthUrlText->text().trimmed(),
                     TokenUrlText->text().trimmed(),
                     ScopeText->text().trimmed(),
                     ClientIdText->text().trimmed(),
                     ClientSecretText->text().trimmed()};
    const Result<SignInPlan> plan =
        SignInPlan::make(choice, OAuthClients(context_.paths.join(OAuthClients::kFileName)));
    if (!plan)
        return fail(ErrorText(plan.error()));
    closed_ = false;
    auto tokens = std::make_shared<Result<OAuthTokens>>(
        Result<OAuthTokens>::failure({.kind = Error::Kind::SignInCancelled}));
    signIn_.start(
        [this, tokens,
         flow = SignInFlow(plan->client, plan->user, plan->extraParameters,
                           std::make_shared<HttpsTokenEndpoint>(),
                           {.pages = SignInPages()})](BackgroundTask::Job& job) {
            *tokens = flow.run([this, &job](const QUrl& url) { job.post([this, url] { showBrowser(url); }); },
                               job.token());
        },
        [this, tokens, plan = *plan] {
            if (closed_)
                return showRunning(false);
            finish(plan, *tokens);
        });
    showRunning(true);
    StatusLabel->setText(QStringLiteral("ブラウザでサインインして、アクセスを許可してください。(5 分以内)"));
}

void SignInForm::showBrowser(const QUrl& url) {
    if (context_.openUrl && context_.openUrl(url))
        return;
    StatusLabel->setText(QStringLiteral("ブラウザを開けませんでした。下のアドレスをコピーしてブラウザで開き、"
                                        "サインインしてください。(5 分以内)"));
    UrlText->setText(QString::fromUtf8(url.toEncoded()));
    UrlText->show();
    UrlText->selectAll();
    UrlText->setFocus();
}

void SignInForm::finish(const SignInPlan& plan, const Result<OAuthTokens>& tokens) {
    showRunning(false);
    if (!tokens)
        return fail(ErrorText(tokens.error()));
    if (const Status kept =
            plan.keep(*tokens, context_.paths, context_.serverSettingsFile(), context_.settings);
        !kept)
        return fail(ErrorText(kept.error()));
    QString text =
        QStringLiteral(
            "%1 でサインインしました。受信と送信にはパスワードの代わりにこのサインインを使います。")
            .arg(plan.user);
    if (plan.preset)
        text += QStringLiteral("\nサーバー設定を POP3 %1、SMTP %2 にしました。")
                    .arg(plan.preset->pop3Server, plan.preset->smtpServer);
    StatusLabel->setText(text);
    SignOutCommand->setEnabled(true);
    if (changed_)
        changed_();
}

void SignInForm::SignOutCommand_Click() {
    const Status removed = TokenStore(AccountFile(context_.paths.accountFile()).tokenStoreFile()).remove();
    if (!removed)
        return fail(ErrorText(removed.error()));
    SignOutCommand->setEnabled(false);
    StatusLabel->setText(QStringLiteral("パスワードでログインする設定に戻しました。"
                                        "「ID,PASS」の画面でパスワードを確かめてください。"));
    if (changed_)
        changed_();
}

void SignInForm::CancelCommand_Click() {
    close();
}

void SignInForm::closeEvent(QCloseEvent* event) {
    // The listener closes with the sign-in; a window that comes back starts afresh.
    closed_ = true;
    signIn_.cancel();
    showRunning(false);
    event->accept();
}
