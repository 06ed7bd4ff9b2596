#pragma once

#include "settings/accountprofile.h"
#include "text/error.h"
#include "ui/designedwindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct AppContext;

// "サーバー設定": an account's name, servers, address, APOP and what stays
// on its server. Stays above the other windows while open.
class OptionForm : public DesignedWindow {
    Q_OBJECT
  public:
    explicit OptionForm(AppContext& context);

    // Fills the boxes from this run's settings and shows the window.
    void open();
    // The same for the account under `accountKey`: the first account's
    // servers are this run's (orvex.ini), a further account's its entry's.
    void openFor(const QString& accountKey);
    void OKCommand_Click();
    void CancelCommand_Click();

    QLabel* NameLabel;
    QLineEdit* NameText;
    QLabel* Label1;
    QLineEdit* SmtpText;
    QLabel* Label2;
    QLineEdit* Pop3Text;
    QLabel* Label3;
    QLineEdit* MailText;
    QCheckBox* ApopCheck;
    QLabel* Label4;
    // In the order of ServerCopy::Mode.
    QRadioButton* CopyOption[4];
    QSpinBox* DaysBox;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;

  private:
    ServerCopy chosenCopy() const;
    void confirmFurther();
    void warn(const Error& error);

    AppContext& context_;
    QString accountKey_ = AccountProfile::kFirstKey;
};
