// The tray icon's menu, each entry doing what the main window's label does,
// and its tooltip with the unread count once something counts it.
#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

#include "app/trayicon.h"

TEST(TrayIcon, menuEntriesInOrderEachCallsItsAction) {
    QStringList called;
    const auto note = [&](const char* what) {
        return [&called, what] { called << QString::fromLatin1(what); };
    };
    TrayIcon tray({.receive = note("receive"),
                   .compose = note("compose"),
                   .history = note("history"),
                   .quit = note("quit"),
                   .showMain = note("main")},
                  {});
    QStringList captions;
    for (QAction* action : tray.menu()->actions())
        if (!action->isSeparator()) {
            captions << action->text();
            action->trigger();
        }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("受信"), QStringLiteral("新規作成"),
                                     QStringLiteral("着信履歴"), QStringLiteral("終了")}));
    EXPECT_EQ(called, (QStringList{QStringLiteral("receive"), QStringLiteral("compose"),
                                   QStringLiteral("history"), QStringLiteral("quit")}));
}

TEST(TrayIcon, tooltipGivesTheUnreadCountOnceOneIsKnown) {
    std::optional<int> unread;
    TrayIcon tray({}, [&] { return unread; });
    EXPECT_EQ(tray.toolTip(), QStringLiteral("Fennick"));
    unread = 12;
    EXPECT_EQ(tray.toolTip(), QStringLiteral("Fennick　未読 12 通"));
}
