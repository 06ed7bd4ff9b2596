#pragma once

#include <functional>

#include "ui/designedwindow.h"

class QPushButton;

// "設定": the hub that opens the account window and the server window.
class SetForm : public DesignedWindow {
    Q_OBJECT
  public:
    SetForm(std::function<void()> openAccount, std::function<void()> openServers);

    void Command1_Click();
    void Command2_Click();

    QPushButton* Command1;
    QPushButton* Command2;

  private:
    std::function<void()> openAccount_;
    std::function<void()> openServers_;
};
