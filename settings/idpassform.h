#pragma once

#include <QPointer>

#include "settings/accountprofile.h"
#include "settings/trustedauthserv.h"
#include "ui/designedwindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SignInForm;
struct AppContext;

// "ID,PASS": the POP3 account. The save box starts unticked at every opening.
// Beside its controls, "OAuth2..." opens the sign-in through the browser
// that stands in for the password.
class IdPassForm : public DesignedWindow {
    Q_OBJECT
  public:
    explicit IdPassForm(AppContext& context);

    // Fills the boxes from the account's files (the window's loading).
    void Form_Load();
    // Shows the window (or brings it forward) with the save box unticked.
    void open();
    // The same, on the account under `accountKey`. A further account is
    // always kept: its save box is ticked.
    void openFor(const QString& accountKey);
    void OKCommand_Click();
    void CancelCommand_Click();
    void OAuthCommand_Click();
    void KeyringCommand_Click(); // the first account's password leaves iniIdPass.ini for the keyring

    QLabel* Label1;
    QLineEdit* IdText;
    QLabel* Label2;
    QLineEdit* PassText;
    QCheckBox* Check1;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;
    QPushButton* OAuthCommand;
    QPushButton* KeyringCommand;
    QLabel* Label3;
    // The authserv-id whose verdicts on senders the selected account trusts.
    QLineEdit* AuthservText;

    // The sign-in window of the selected account, once opened.
    SignInForm* signInWindow() const;

  private:
    void confirmFurther();
    TrustedAuthserv trustedAuthserv() const;
    void keepTrustedAuthserv(); // tells the user when it cannot

    AppContext& context_;
    QString accountKey_ = AccountProfile::kFirstKey;
    QPointer<SignInForm> signIn_;
};
