#pragma once

#include <QPointer>

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

    // Fills the boxes from the account file (the window's loading).
    void Form_Load();
    // Shows the window (or brings it forward) with the save box unticked.
    void open();
    void OKCommand_Click();
    void CancelCommand_Click();
    void OAuthCommand_Click();

    QLabel* Label1;
    QLineEdit* IdText;
    QLabel* Label2;
    QLineEdit* PassText;
    QCheckBox* Check1;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;
    QPushButton* OAuthCommand;
    QLabel* Label3;
    // The authserv-id whose verdicts on senders the account trusts.
    QLineEdit* AuthservText;

    // The sign-in window, once opened.
    SignInForm* signInWindow() const;

  private:
    AppContext& context_;
    QPointer<SignInForm> signIn_;
};
