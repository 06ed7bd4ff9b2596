#pragma once

#include <functional>

#include "settings/alwayson.h"
#include "settings/autostartentry.h"
#include "ui/designedwindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
struct AppContext;

// "自動受信と常駐": how often to check, whether at start-up, whether closing
// the main window keeps the program in the tray, and whether it starts at
// login.
class AlwaysOnForm : public DesignedWindow {
    Q_OBJECT
  public:
    // `program` is what the login's autostart entry starts, in the current folder.
    AlwaysOnForm(AppContext& context, AutostartEntry autostart, QString program);

    // Fills the controls from this run's settings and the autostart entry, and shows the window.
    void open();
    void OKCommand_Click();
    void CancelCommand_Click();

    // Told after OK, with this run's settings changed.
    std::function<void()> onChanged;

    QLabel* Label1;
    QComboBox* IntervalCombo;
    QCheckBox* AtStartCheck;
    QCheckBox* TrayCheck;
    QCheckBox* LoginCheck;
    QPushButton* OKCommand;
    QPushButton* CancelCommand;

  private:
    AppContext& context_;
    AutostartEntry autostart_;
    QString program_;
};
