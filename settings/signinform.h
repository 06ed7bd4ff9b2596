#pragma once

#include <functional>
#include <memory>

#include "settings/tokenstore.h"
#include "text/backgroundtask.h"
#include "text/error.h"
#include "ui/designedwindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;
struct SignInPlan;

// "OAuth2 サインイン": signing in with the mail provider through the browser,
// instead of a password, and the way back to the password. Opened from the
// account window, for the account it shows.
class SignInForm : public DesignedWindow {
    Q_OBJECT
  public:
    // For the account under `accountKey`; `changed` is told after a sign-in
    // or a return to the password.
    SignInForm(AppContext& context, QString accountKey, std::function<void()> changed);
    ~SignInForm() override;

    // Shows the window with the account's sign-in as it stands.
    void open();
    void ProviderCombo_Change();
    // Starts the sign-in, or while one runs, stops it.
    void SignInCommand_Click();
    void SignOutCommand_Click();
    void CancelCommand_Click();

    QLabel* Label1;
    QComboBox* ProviderCombo;
    QLabel* Label2;
    QLineEdit* AddressText;
    QLabel* Label3;
    QLineEdit* AuthUrlText;
    QLabel* Label4;
    QLineEdit* TokenUrlText;
    QLabel* Label5;
    QLineEdit* ScopeText;
    QLabel* Label6;
    QLineEdit* ClientIdText;
    QLabel* Label7;
    QLineEdit* ClientSecretText;
    QLabel* StatusLabel;
    QLineEdit* UrlText; // the address to copy when no browser opened
    QPushButton* SignInCommand;
    QPushButton* SignOutCommand;
    QPushButton* CancelCommand;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showBrowser(const QUrl& url);
    void finish(const SignInPlan& plan, const Result<OAuthTokens>& tokens);
    void showRunning(bool running);
    void fail(const QString& text);
    TokenStore signIn() const;

    AppContext& context_;
    const QString accountKey_;
    std::function<void()> changed_;
    BackgroundTask signIn_; // the wait for the browser, off the window thread
    bool closed_ = false;   // a sign-in cancelled by closing the window is not reported
    bool running_ = false;
};
