#pragma once

#include <QString>

// How receiving and sending tell the user something (a message box with an
// OK button), without knowing about windows.
class UserNotifier {
  public:
    virtual ~UserNotifier() = default;
    virtual void notify(const QString& text, const QString& title) = 0;
};
