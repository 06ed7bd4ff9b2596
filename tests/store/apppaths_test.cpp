#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "store/apppaths.h"
#include "tests/support/tempfolder.h"

TEST(AppPaths, rootFolderGetsExactlyOneSeparator) {
    const AppPaths root(QStringLiteral("/"));
    EXPECT_EQ(root.join(QStringLiteral("/★MAilData/orxdata2.data")),
              QStringLiteral("/★MAilData/orxdata2.data"));
    const AppPaths plain(QStringLiteral("/opt/fennick"));
    EXPECT_EQ(plain.join(QStringLiteral("/★MAilData")), QStringLiteral("/opt/fennick/★MAilData"));
    EXPECT_EQ(plain.join(QStringLiteral("test")), QStringLiteral("/opt/fennick/test"));
}

TEST(AppPaths, receivedMailFileLivesInTheDataFolder) {
    TempFolder app;
    const AppPaths paths(app.path());
    EXPECT_EQ(paths.receivedMailFile(), app.path() + QStringLiteral("/★MAilData/orxdata2.data"));
    EXPECT_EQ(paths.sentMailFile(), app.path() + QStringLiteral("/★MAilData/orxdata5.data"));
}

TEST(AppPaths, existingEntriesAreFoundWhateverTheirLetterCase) {
    TempFolder app;
    ASSERT_TRUE(QDir(app.path()).mkpath(QStringLiteral("★MailData")));
    WriteBytes(app.path() + QStringLiteral("/★MailData/Orxdata20.data"), QByteArray());
    const AppPaths paths(app.path());
    EXPECT_EQ(paths.dataFolder(), app.path() + QStringLiteral("/★MailData"));
    EXPECT_EQ(paths.addressFile(), app.path() + QStringLiteral("/★MailData/Orxdata20.data"));
    // a name nobody has written yet keeps the canonical spelling
    EXPECT_EQ(paths.receivedMailFile(), app.path() + QStringLiteral("/★MailData/orxdata2.data"));
}

TEST(AppPaths, ensureLayoutCreatesWhatIsMissingAndKeepsWhatExists) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    EXPECT_TRUE(QFileInfo(app.path() + QStringLiteral("/★MAilData")).isDir());
    EXPECT_TRUE(QFileInfo(app.path() + QStringLiteral("/添付フォルダ")).isDir());
    EXPECT_TRUE(QFileInfo(app.path() + QStringLiteral("/■TextQuickSave")).isDir());
    EXPECT_EQ(QFileInfo(paths.receivedMailFile()).size(), 0);
    EXPECT_EQ(QFileInfo(paths.sentMailFile()).size(), 0);

    WriteBytes(paths.receivedMailFile(), QByteArray("kept"));
    WriteBytes(paths.attachmentFolder() + QStringLiteral("/photo.jpg"), QByteArray("jpg"));
    ASSERT_TRUE(paths.ensureLayout().ok());
    EXPECT_EQ(ReadBytes(paths.receivedMailFile()), QByteArray("kept"));
    EXPECT_EQ(ReadBytes(paths.attachmentFolder() + QStringLiteral("/photo.jpg")), QByteArray("jpg"));
}

TEST(AppPaths, ensureLayoutUsesADataFolderSpelledAnotherWay) {
    TempFolder app;
    ASSERT_TRUE(QDir(app.path()).mkpath(QStringLiteral("★MAILDATA")));
    ASSERT_TRUE(AppPaths(app.path()).ensureLayout().ok());
    EXPECT_FALSE(QFileInfo::exists(app.path() + QStringLiteral("/★MAilData")));
    EXPECT_TRUE(QFileInfo::exists(app.path() + QStringLiteral("/★MAILDATA/orxdata2.data")));
}

TEST(AppPaths, installedFolderNamesAreRecognisedInAnyCase) {
    EXPECT_TRUE(AppPaths::isInstalledFolderName(QStringLiteral("★maildata")));
    EXPECT_TRUE(AppPaths::isInstalledFolderName(QStringLiteral("■textquicksave")));
    EXPECT_TRUE(AppPaths::isInstalledFolderName(QStringLiteral("添付フォルダ")));
    EXPECT_FALSE(AppPaths::isInstalledFolderName(QStringLiteral("test")));
}
