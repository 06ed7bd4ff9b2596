#pragma once

#include <QList>
#include <QString>

#include "text/result.h"

// Running all day: how often the account is checked on a timer, whether at
// start-up too, and what closing the main window does while the tray icon
// is shown. Kept in the account file (iniIdPass.ini), section "ALWAYSON",
// beside the account they belong to; a file without them reads as the
// program always was: no timed checks, and closing asks the first time.
struct AlwaysOn {
    enum class OnClose { Ask, KeepInTray, Quit };
    // What closing the main window does now.
    enum class CloseStep { Quit, Ask, HideToTray };

    static const QList<int> kMinuteChoices; // 0 (off), 5, 10, 15, 30, 60

    int checkMinutes = 0;
    bool checkAtStart = false;
    OnClose onClose = OnClose::Ask;

    // A value not among the choices reads as off.
    static AlwaysOn read(const QString& accountFile);
    Status write(const QString& accountFile) const;

    // Without a tray icon closing always quits, and 終了 in its menu quits
    // whatever was chosen.
    CloseStep closeStep(bool trayShown, bool quitChosen) const;

    friend bool operator==(const AlwaysOn&, const AlwaysOn&) = default;
};
