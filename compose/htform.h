#pragma once

#include <functional>

#include "ui/designedwindow.h"

class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class WriteForm;

// "HTML送信の手順": how to send an HTML mail, and a button that prepares a
// question to the support address in the compose window.
class HTForm : public DesignedWindow {
    Q_OBJECT
  public:
    // `showCompose` brings up the compose window, creating it when needed.
    explicit HTForm(std::function<WriteForm*()> showCompose);

    static const QString kSupportAddress;

    void Form_Load();
    void Form_Resize() override;
    void Command1_Click();

    QPlainTextEdit* Text1;
    QPushButton* Command1;
    QStatusBar* StatusBar1;

  private:
    std::function<WriteForm*()> showCompose_;
};
