#pragma once

#include <functional>

#include "ui/designedwindow.h"

class AppWindows;
class QLabel;
class QLineEdit;
class QTimer;
struct AppContext;

// The launcher: eight menu labels, a status box, a clock and a help line.
class MainForm : public DesignedWindow {
    Q_OBJECT
  public:
    MainForm(AppContext& context, AppWindows& windows);

    void Label1_Click();
    void Label2_Click();
    void Label3_Click();
    void Label4_Click();
    void Label5_Click();
    void Label6_Click();
    void Label7_Click();
    void Label8_Click();
    // The help line: a label shows its text, the window's own surface hides it.
    void Label_MouseMove(int index);
    void Form_MouseMove();
    void Timer2_Timer();

    // The wait cursor over the whole window while a mail check runs.
    void showBusy(bool busy);
    // "n / count" beside the status box during a long check; clears it otherwise.
    void showProgress(int n, int count);
    // How many received mails are unread, above the status box.
    void showUnread(int count);

    QLabel* Label[11] = {}; // Label1 .. Label10 at their numbers
    QLabel* UnreadLabel;    // above Text1, empty when every mail was read
    QLineEdit* Text1;
    QLabel* ProgressLabel; // beside Text1, empty unless a long check runs
    QLineEdit* Text2;
    QLabel* Picture2;
    QTimer* Timer2;

    // What receiving is wired to once the mail check exists.
    std::function<void()> onReceive;
    // Asked when the window is closed: true keeps the program running with
    // the window hidden (in the tray).
    std::function<bool()> keepRunning;
    // Ends the program in order: every other window closes without asking.
    void quit();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The clock ticks only while it can be seen: a program left in the
    // tray or minimised all day wakes for nothing between its checks.
    void runClockWhileSeen();

    AppContext& context_;
    AppWindows& windows_;
};
