#pragma once

#include <memory>

#include "ui/captionfitter.h"

class AppWindows;
class MainForm;
class ReceiveAction;
struct AppContext;

// The program as start-up wires it on a prepared context: the windows, the
// main window, receiving with the user's certificates and TLS answers, and
// captions fitted to this platform's fonts. Closing the main window ends the
// event loops; going away cancels the background work of every window and
// waits for it, which ends within a moment wherever it waits.
class Program {
  public:
    explicit Program(AppContext& context);
    ~Program();

    // The font the windows were designed for, or the nearest this system has.
    static void useDesignFont();
    // Start-up (the settings, the windows they call for), then the main window.
    void start();
    MainForm& mainWindow() { return *form_; }
    AppWindows& windows() { return *windows_; }

  private:
    AppContext& context_;
    CaptionFitter captions_;
    std::unique_ptr<AppWindows> windows_;
    std::unique_ptr<MainForm> form_;
    std::unique_ptr<ReceiveAction> receive_;
};
