#pragma once

#include <QObject>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The program's icon in the desktop's tray (a StatusNotifierItem where the
// desktop has one): its menu receives, composes, opens the received history
// and quits; its tooltip gives the unread count when one is known. A click
// on the icon itself brings the main window back.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    struct Actions {
        std::function<void()> receive;
        std::function<void()> compose;
        std::function<void()> history;
        std::function<void()> quit;
        std::function<void()> showMain;
    };
    // How many received mails are unread; none while nothing counts them.
    using UnreadCount = std::function<std::optional<int>()>;

    TrayIcon(Actions actions, UnreadCount unread, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon where the desktop has a tray; whether it is shown.
    bool show();
    bool isShown() const;
    // The tooltip, after the unread count changed.
    void refresh();
    QString toolTip() const;

    QMenu* menu() const { return menu_; }
    QAction* ReceiveMenu;
    QAction* ComposeMenu;
    QAction* HistoryMenu;
    QAction* QuitMenu;

  private:
    Actions actions_;
    UnreadCount unread_;
    QMenu* menu_;
    QSystemTrayIcon* icon_;
};
