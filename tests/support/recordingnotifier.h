#pragma once

#include <QList>
#include <QString>

#include "transport/usernotifier.h"

// Keeps every notice instead of showing it.
class RecordingNotifier : public UserNotifier {
  public:
    struct Notice {
        QString text;
        QString title;
    };
    void notify(const QString& text, const QString& title) override { notices.append({text, title}); }
    QStringList texts() const {
        QStringList out;
        for (const Notice& n : notices)
            out.append(n.text);
        return out;
    }
    QList<Notice> notices;
};
