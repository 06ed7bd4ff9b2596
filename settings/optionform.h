#pragma once

#include "ui/designedwindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
struct AppContext;

// "サーバー設定": the servers, the user's address, APOP and what stays on
// the server. Stays above the other windows while open.
class OptionForm : public DesignedWindow {
    Q_OBJECT
  public:
    explicit OptionForm(AppContext& context);

    // Fills the boxes from this run's settings and shows the window.
    void open();
    void OKCommand_Click();
    void CancelCommand_Click();

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
    AppContext& context_;
};
