#include "settings/signinform.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "oauth/signinflow.h"
#include "oauth/signinplan.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"

namespace {

const QString kTitle = QStringLiteral("サインイン");

// A caption beside each box, 40 twips below the box's top.
constexpr ControlRow kControls[] = {
    Row<&SignInForm::Label1>("Label1", {240, 240, 1500, 255}, u"プロバイダー(&V)").buddy("ProviderCombo"),
    Row<&SignInForm::ProviderCombo>("ProviderCombo", {1800, 200, 3960, 315}),
    Row<&SignInForm::Label2>("Label2", {240, 680, 1500, 255}, u"メールアドレス(&M)").buddy("AddressText"),
    Row<&SignInForm::AddressText>("AddressText", {1800, 640, 3960, 315}),
    Row<&SignInForm::Label3>("Label3", {240, 1120, 1500, 255}, u"認可 URL").buddy("AuthUrlText"),
    Row<&SignInForm::AuthUrlText>("AuthUrlText", {1800, 1080, 3960, 315}),
    Row<&SignInForm::Label4>("Label4", {240, 1560, 1500, 255}, u"トークン URL").buddy("TokenUrlText"),
    Row<&SignInForm::TokenUrlText>("TokenUrlText", {1800, 1520, 3960, 315}),
    Row<&SignInForm::Label5>("Label5", {240, 2000, 1500, 255}, u"スコープ").buddy("ScopeText"),
    Row<&SignInForm::ScopeText>("ScopeText", {1800, 1960, 3960, 315}),
    Row<&SignInForm::Label6>("Label6", {240, 2440, 1500, 255}, u"クライアント ID").buddy("ClientIdText"),
    Row<&SignInForm::ClientIdText>("ClientIdText", {1800, 2400, 3960, 315}),
    Row<&SignInForm::Label7>("Label7", {240, 2880, 1500, 255}, u"シークレット").buddy("ClientSecretText"),
    Row<&SignInForm::ClientSecretText>("ClientSecretText", {1800, 2840, 3960, 315}),
    Row<&SignInForm::StatusLabel>("StatusLabel", {240, 3300, 5520, 615}),
    Row<&SignInForm::UrlText>("UrlText", {240, 3960, 5520, 315}),
    Row<&SignInForm::SignInCommand>("SignInCommand", {240, 4440, 1980, 435}, u"ブラウザでサインイン"),
    Row<&SignInForm::SignOutCommand>("SignOutCommand", {2340, 4440, 1860, 435}, u"パスワードに戻す"),
    Row<&SignInForm::CancelCommand>("CancelCommand", {4320, 4440, 1440, 435}, u"閉じる"),
};

constexpr WindowDesign kDesign{.name = "SignInForm",
                               .title = u"OAuth2 サインイン",
                               .width = 6000,
                               .height = 5100,
                               .fixedSize = true,
                               .rows = kControls};

} // namespace

SignInForm::SignInForm(AppContext& context, QString accountKey, std::function<void()> changed)
    : DesignedWindow(kDesign), context_(context), accountKey_(std::move(accountKey)),
      changed_(std::move(changed)) {
    build();
    for (const OAuthProvider& p : OAuthProviders())
        ProviderCombo->addItem(p.name, p.id);
    ProviderCombo->addItem(QStringLiteral("その他 (URL を入力)"), kCustomProvider);
    StatusLabel->setWordWrap(true);
    StatusLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    UrlText->setReadOnly(true);
    UrlText->hide();
    connect(ProviderCombo, &QComboBox::currentIndexChanged, this, &SignInForm::ProviderCombo_Change);
    connect(SignInCommand, &QPushButton::clicked, this, &SignInForm::SignInCommand_Click);
    connect(SignOutCommand, &QPushButton::clicked, this, &SignInForm::SignOutCommand_Click);
    connect(CancelCommand, &QPushButton::clicked, this, &SignInForm::CancelCommand_Click);
    showRunning(false);
    ProviderCombo_Change();
}

SignInForm::~SignInForm() = default;

TokenStore SignInForm::signIn() const {
    return context_.accounts().signInOf(accountKey_);
}

void SignInForm::open() {
    const std::optional<OAuthSignIn> signedIn = signIn().load();
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
            for (const AccountProfile& a : context_.accounts().load(Accounts::Secrets::Left).accounts)
                if (a.key == accountKey_)
                    AddressText->setText(a.loginId);
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
    SignOutCommand->setEnabled(!running && signIn().load().has_value());
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
    if (const Status kept = plan.keep(*tokens, accountKey_, context_.accounts(), context_.settings); !kept)
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
    const Status removed = signIn().remove();
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
