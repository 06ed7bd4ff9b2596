#pragma once

#include <memory>

#include "app/trayicon.h"
#include "ui/captionfitter.h"

class AppWindows;
class MainForm;
class NewMailNotice;
class Notices;
class ReceiveAction;
class TimedChecks;
struct AppContext;

// The program as start-up wires it on a prepared context: the windows, the
// main window, receiving with the user's certificates and TLS answers (on
// the timer too, with notices of new mail and of a check that needs the
// user), the tray icon, and captions fitted to this platform's fonts.
// Closing the main window ends the event loops, unless the tray keeps the
// program running; going away cancels the background work of every window
// and waits for it, which ends within a moment wherever it waits.
class Program {
  public:
    explicit Program(AppContext& context);
    ~Program();

    // The font the windows were designed for, or the nearest this system has.
    static void useDesignFont();
    // Start-up (the settings, the windows they call for), then the main
    // window, the tray icon and the timed checks.
    void start();
    MainForm& mainWindow() { return *form_; }
    AppWindows& windows() { return *windows_; }
    // None where the desktop has no tray.
    TrayIcon* tray() { return tray_.get(); }
    TimedChecks& timedChecks() { return *timed_; }
    // Where the unread count comes from, for the tray's tooltip.
    void setUnreadCount(TrayIcon::UnreadCount count);

  private:
    // Closing the main window with the tray icon shown: asked once, then as answered.
    bool keepRunningInTray();

    AppContext& context_;
    CaptionFitter captions_;
    std::unique_ptr<AppWindows> windows_;
    std::unique_ptr<MainForm> form_;
    std::unique_ptr<ReceiveAction> receive_;
    std::unique_ptr<Notices> notices_;
    std::unique_ptr<NewMailNotice> newMail_;
    std::unique_ptr<TimedChecks> timed_;
    std::unique_ptr<TrayIcon> tray_;
    TrayIcon::UnreadCount unread_;
};
