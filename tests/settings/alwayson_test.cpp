// Running all day: the settings beside the account, what closing the main
// window does, and the login's autostart entry.
#include <QFile>
#include <gtest/gtest.h>

#include "settings/accountfile.h"
#include "settings/alwayson.h"
#include "settings/autostartentry.h"
#include "tests/support/tempfolder.h"

namespace {

using OnClose = AlwaysOn::OnClose;
using CloseStep = AlwaysOn::CloseStep;

struct ReadRow {
    const char* name;
    QByteArray file;
    AlwaysOn expected;
};

const ReadRow kReads[] = {
    {"account-file-of-old-copies", "[EXEINI]\r\nNAME=taro\r\n", {}},
    {"every-ten-minutes-and-at-start",
     "[ALWAYSON]\r\nCHECKMINUTES=10\r\nCHECKATSTART=1\r\nONCLOSE=tray\r\n",
     {.checkMinutes = 10, .checkAtStart = true, .onClose = OnClose::KeepInTray}},
    {"hand-edited-minutes-not-offered-read-as-off",
     "[alwayson]\r\ncheckminutes=7\r\nonclose=QUIT\r\n",
     {.onClose = OnClose::Quit}},
};

TEST(AlwaysOnSettings, readsWhatTheAccountFileHolds) {
    TempFolder dir;
    for (const ReadRow& row : kReads) {
        const QString path = dir.file(QString::fromLatin1(row.name));
        WriteBytes(path, row.file);
        EXPECT_EQ(AlwaysOn::read(path), row.expected) << row.name;
    }
}

TEST(AlwaysOnSettings, writtenBesideTheAccountWhichStays) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("iniIdPass.ini"));
    WriteBytes(path, "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n");
    for (const AlwaysOn& a : {AlwaysOn{.checkMinutes = 60, .checkAtStart = true, .onClose = OnClose::Quit},
                              AlwaysOn{.checkMinutes = 5, .onClose = OnClose::KeepInTray}, AlwaysOn{}}) {
        ASSERT_TRUE(a.write(path).ok());
        EXPECT_EQ(AlwaysOn::read(path), a);
    }
    EXPECT_EQ(AccountFile(path).load().password, QStringLiteral("pw"));
}

struct CloseRow {
    const char* name;
    OnClose onClose;
    bool trayShown;
    bool quitChosen;
    CloseStep expected;
};

const CloseRow kCloses[] = {
    {"no-tray-closing-quits", OnClose::KeepInTray, false, false, CloseStep::Quit},
    {"tray-first-close-asks", OnClose::Ask, true, false, CloseStep::Ask},
    {"tray-kept-when-answered-so", OnClose::KeepInTray, true, false, CloseStep::HideToTray},
    {"answered-quit-quits", OnClose::Quit, true, false, CloseStep::Quit},
    {"tray-menu-quit-quits-without-asking", OnClose::Ask, true, true, CloseStep::Quit},
};

TEST(AlwaysOnSettings, closingTheMainWindow) {
    for (const CloseRow& row : kCloses)
        EXPECT_EQ(AlwaysOn{.onClose = row.onClose}.closeStep(row.trayShown, row.quitChosen), row.expected)
            << row.name;
}

TEST(AutostartEntry, pathHonoursAnAbsoluteConfigHome) {
    const struct {
        const char* name;
        QString configHome;
        QString expected;
    } rows[] = {
        {"unset", {}, QStringLiteral("/home/taro/.config/autostart/fennick.desktop")},
        {"absolute", QStringLiteral("/srv/cfg/"), QStringLiteral("/srv/cfg/autostart/fennick.desktop")},
        {"relative-is-ignored", QStringLiteral("cfg"),
         QStringLiteral("/home/taro/.config/autostart/fennick.desktop")},
    };
    for (const auto& row : rows)
        EXPECT_EQ(AutostartEntry::pathFor(row.configHome, QStringLiteral("/home/taro")), row.expected)
            << row.name;
}

TEST(AutostartEntry, startsTheProgramInItsFolderAndGoesAgain) {
    TempFolder dir;
    const AutostartEntry entry(dir.file(QStringLiteral("config/autostart/fennick.desktop")));
    ASSERT_TRUE(
        entry.install(QStringLiteral("/opt/My Mail/fennick$1\"%"), QStringLiteral("/home/太郎/Fennick"))
            .ok());
    ASSERT_TRUE(entry.isInstalled());
    QFile f(entry.path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/My Mail/fennick\\\\$1\\\\\"%%\"\n")) << text.constData();
    EXPECT_TRUE(text.contains(QStringLiteral("\nPath=/home/太郎/Fennick\n").toUtf8())) << text.constData();
    f.close();
    ASSERT_TRUE(entry.remove().ok());
    EXPECT_FALSE(entry.isInstalled());
    EXPECT_TRUE(entry.remove().ok()) << "removing it twice";
}

} // namespace
