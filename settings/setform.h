#pragma once

#include <functional>

#include "ui/designedwindow.h"

class QPushButton;

// "設定": the hub that opens the account window, the server window and the
// timed checks' window.
class SetForm : public DesignedWindow {
    Q_OBJECT
  public:
    SetForm(std::function<void()> openAccount, std::function<void()> openServers,
            std::function<void()> openAlwaysOn);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;

  private:
    std::function<void()> openAccount_;
    std::function<void()> openServers_;
    std::function<void()> openAlwaysOn_;
};
