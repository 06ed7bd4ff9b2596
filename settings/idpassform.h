#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
struct AppContext;

// "ID,PASS": the POP3 account. The save box starts unticked at every opening.
class IdPassForm : public QWidget {
    Q_OBJECT
  public:
    explicit IdPassForm(AppContext& context);

    // Fills the boxes from the account file (the window's loading).
    void Form_Load();
    // Shows the window (or brings it forward) with the save box unticked.
    void open();
    void OKCommand_Click();
    void CancelCommand_Click();

    QLabel* Label1;
    QLineEdit* IdText;
    QLabel* Label2;
    QLineEdit* PassText;
    QCheckBox* Check1;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;

  private:
    AppContext& context_;
};
