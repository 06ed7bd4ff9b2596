#include "compose/sendlock.h"

#include <QWidget>

void SendLock::lock() {
    for (QWidget* field : std::as_const(fields_))
        field->setProperty("readOnly", true);
    disabled_.clear();
    for (QWidget* writer : std::as_const(writers_))
        if (writer->isEnabled()) {
            writer->setEnabled(false);
            disabled_ << writer;
        }
}

void SendLock::unlock() {
    for (QWidget* field : std::as_const(fields_))
        field->setProperty("readOnly", false);
    for (QWidget* writer : std::as_const(disabled_))
        writer->setEnabled(true);
    disabled_.clear();
}
