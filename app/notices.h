#pragma once

#include <QString>
#include <functional>

// Notices on the desktop beside the windows: new mail, a timed check that
// needs the user. Where the desktop shows none, nothing happens.
class Notices {
  public:
    virtual ~Notices() = default;
    // `clicked` runs on the window thread when the user clicks the notice.
    virtual void show(const QString& summary, const QString& body, std::function<void()> clicked) = 0;
};
