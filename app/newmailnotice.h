#pragma once

#include "app/receiveaction.h"

class AppWindows;
class Notices;
struct AppContext;

// After a check that stored mail, one notice: how many came, and the sender
// and subject of the newest three; its click opens the received history at
// the newest mail. None while the history window is the active window,
// where the user sees the mail come in.
class NewMailNotice {
  public:
    static constexpr int kNamed = 3;

    NewMailNotice(AppContext& context, AppWindows& windows, Notices& notices)
        : context_(context), windows_(windows), notices_(notices) {}

    void checkEnded(const ReceiveAction::Ended& ended);

  private:
    AppContext& context_;
    AppWindows& windows_;
    Notices& notices_;
};
