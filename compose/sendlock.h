#pragma once

#include <QList>

class QWidget;

// While a send runs, a window's fields stay as they went out: the text
// boxes turn read-only (still to be read and scrolled) and the controls that
// write into them are disabled. Unlocking enables only what locking
// disabled, so a control that was off before (「Text形式」 in text mode) stays off.
class SendLock {
  public:
    SendLock() = default;
    SendLock(QList<QWidget*> fields, QList<QWidget*> writers)
        : fields_(std::move(fields)), writers_(std::move(writers)) {}

    void lock();
    void unlock();

  private:
    QList<QWidget*> fields_; // each with a readOnly property
    QList<QWidget*> writers_;
    QList<QWidget*> disabled_;
};
