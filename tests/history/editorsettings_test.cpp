#include <QSettings>
#include <gtest/gtest.h>

#include "history/editorsettings.h"
#include "tests/support/tempfolder.h"

// The store is pointed at a temporary folder; the user's own settings are
// never touched.
TEST(EditorSettings, closingEmptiesHistAndOkiniAndWritesTheAutoSaveFlag) {
    TempFolder config;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    {
        QSettings before(QStringLiteral("Fennick"), QStringLiteral("tomsel"));
        before.setValue(QStringLiteral("HIST/1"), QStringLiteral("C:\\old.txt"));
        before.setValue(QStringLiteral("OKINI/3"), QStringLiteral("favourite"));
        before.setValue(QStringLiteral("FLAG/AUTOSAVE"), QStringLiteral("しない"));
    }
    ASSERT_TRUE(EditorSettings::writeAtClose(QString()).ok());

    const QString file = config.file(QStringLiteral("Fennick/tomsel.conf"));
    ASSERT_TRUE(QFile::exists(file));
    QSettings after(file, QSettings::IniFormat);
    EXPECT_EQ(after.childGroups(), QStringList{QStringLiteral("FLAG")});
    EXPECT_EQ(after.allKeys(), QStringList{QStringLiteral("FLAG/AUTOSAVE")});
    EXPECT_EQ(after.value(QStringLiteral("FLAG/AUTOSAVE")).toString(), QString());
}

TEST(EditorSettings, aStoreThatCannotBeWrittenIsReported) {
    TempFolder config;
    // A file where the store's folder should be.
    WriteBytes(config.file(QStringLiteral("Fennick")), QByteArray("in the way"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config.path());
    const Status written = EditorSettings::writeAtClose(QString());
    ASSERT_FALSE(written.ok());
    EXPECT_EQ(written.error().kind, Error::Kind::SettingsNotWritten);
    EXPECT_TRUE(written.error().path.endsWith(QStringLiteral("tomsel.conf"))) << written.error();
}
