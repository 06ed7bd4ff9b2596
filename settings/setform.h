#pragma once

#include <QList>
#include <functional>
#include <optional>

#include "settings/accountprofile.h"
#include "text/error.h"
#include "ui/designedwindow.h"

class QListWidget;
class QPushButton;
struct AppContext;

// "設定": the hub. Its list holds the accounts, the first always first; the
// account window and the server window open on the one selected, and the
// timed checks' window for all.
class SetForm : public DesignedWindow {
    Q_OBJECT
  public:
    using OpenFor = std::function<void(const QString& accountKey)>;

    SetForm(AppContext& context, OpenFor openAccount, OpenFor openServers,
            std::function<void()> openAlwaysOn);

    // Fills the list from the accounts' files, the selection kept.
    void Form_Load();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void AddCommand_Click();
    void RemoveCommand_Click();
    void UpCommand_Click();
    void DownCommand_Click();

    QListWidget* AccountList;
    QPushButton* UpCommand;
    QPushButton* DownCommand;
    QPushButton* AddCommand;
    QPushButton* RemoveCommand;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;

  private:
    void select(int row);
    // The selected further account moves by `step` among the further ones.
    void move(int step);
    void showError(const Error& error);

    AppContext& context_;
    OpenFor openAccount_;
    OpenFor openServers_;
    std::function<void()> openAlwaysOn_;
    QList<AccountProfile> accounts_; // as listed
    int selectedRow_ = 0;
};
