// Every caption of every window shows whole with this platform's fonts.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

#include "addressbook/friendform.h"
#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/program.h"
#include "compose/writeform.h"
#include "history/tyakuform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "tests/support/appfolder.h"
#include "ui/captionfitter.h"

TEST(Captions, everyCaptionOfEveryWindowShowsWhole) {
    AppFolder folder;
    Program::useDesignFont();
    CaptionFitter fitter;
    QApplication::instance()->installEventFilter(&fitter);
    AppWindows windows(folder.context);
    MainForm main(folder.context, windows);
    main.show();
    windows.openHistory(HistoryMode::Received);
    windows.openCompose();
    windows.openReply({});
    windows.openAddressBook();
    windows.openSettings();
    windows.openAccount();
    windows.openServers();
    windows.openHtmlHelp();
    int captions = 0;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const auto* label = qobject_cast<QLabel*>(control);
            const auto* button = qobject_cast<QAbstractButton*>(control);
            const QString text = label ? label->text() : button ? button->text() : QString();
            if (text.isEmpty())
                continue;
            ++captions;
            EXPECT_TRUE(CaptionFitter::fits(control))
                << window->objectName().toStdString() << "." << control->objectName().toStdString() << " 「"
                << text.toStdString() << "」";
        }
    }
    EXPECT_GT(captions, 70);
    QApplication::instance()->removeEventFilter(&fitter);
    windows.closeAll();
}
