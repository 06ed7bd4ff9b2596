// What the first account leaves on its server, kept beside its login.
#include <gtest/gtest.h>

#include "settings/accountfile.h"
#include "settings/servercopysetting.h"
#include "tests/support/tempfolder.h"

namespace {

using Mode = ServerCopy::Mode;

TEST(ServerCopySetting, readsWhatTheAccountFileHoldsAndDeletesAfterFetchingOtherwise) {
    const struct {
        const char* name;
        QByteArray file;
        ServerCopy expected;
    } rows[] = {
        {"account-file-of-older-copies", "[EXEINI]\r\nNAME=taro\r\n", {Mode::DeleteAfterFetch, 14}},
        {"kept", "[SERVERCOPY]\r\nMODE=keep\r\n", {Mode::Keep, 14}},
        {"after-30-days", "[SERVERCOPY]\r\nMODE=days\r\nDAYS=30\r\n", {Mode::DeleteAfterDays, 30}},
        {"with-the-history-hand-edited-in-capitals",
         "[servercopy]\r\nmode=HISTORY\r\n",
         {Mode::DeleteWithHistory, 14}},
        {"a-mode-of-a-later-version-deletes",
         "[SERVERCOPY]\r\nMODE=archive\r\n",
         {Mode::DeleteAfterFetch, 14}},
        {"zero-days-reads-as-the-default",
         "[SERVERCOPY]\r\nMODE=days\r\nDAYS=0\r\n",
         {Mode::DeleteAfterDays, 14}},
    };
    TempFolder dir;
    for (const auto& row : rows) {
        const QString path = dir.file(QString::fromLatin1(row.name));
        WriteBytes(path, row.file);
        EXPECT_EQ(ServerCopySetting::read(path), row.expected) << row.name;
    }
}

TEST(ServerCopySetting, writtenBesideTheLoginWhichStays) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("iniIdPass.ini"));
    WriteBytes(path, "[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\n");
    for (const ServerCopy& copy :
         {ServerCopy{Mode::DeleteAfterDays, 7}, ServerCopy{Mode::DeleteWithHistory, 7},
          ServerCopy{Mode::Keep, 14}, ServerCopy{}}) {
        ASSERT_TRUE(ServerCopySetting::write(path, copy).ok());
        EXPECT_EQ(ServerCopySetting::read(path), copy);
    }
    EXPECT_EQ(AccountFile(path).load().password, QStringLiteral("pw"));
}

} // namespace
