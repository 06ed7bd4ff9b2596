#pragma once

#include <QObject>

// Gives a control the name the design uses for it, so tests and screenshots
// find it by that name.
template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
