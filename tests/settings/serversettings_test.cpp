#include <gtest/gtest.h>

#include "settings/serversettings.h"
#include "tests/support/tempfolder.h"

TEST(ServerSettings, writesTheFourLinesInOrder) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orvex.ini"));
    const ServerSettings s{QStringLiteral("smtp.example.jp"), QStringLiteral("pop.example.jp:1110"),
                           QStringLiteral("山田@example.jp"), 1};
    ASSERT_TRUE(s.write(path).ok());
    EXPECT_EQ(ReadBytes(path),
              QByteArray("SMTP=smtp.example.jp\r\nPOP3=pop.example.jp:1110\r\nMAIL=\x8E\x52\x93\x63"
                         "@example.jp\r\nAPOP=1\r\n"));
    EXPECT_EQ(ServerSettings::read(path), s);
}

TEST(ServerSettings, readingTakesOnlyExactUpperCaseKeysAndTheLaterLine) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orvex.ini"));
    WriteBytes(path,
               QByteArray("smtp=lower.example.jp\r\nSMTP=first\r\nSMTP=second\r\n# note\r\nPOP3 =spaced\r\n"
                          "APOP=0.5\nMAIL=me@x.jp"));
    const ServerSettings s = ServerSettings::read(path);
    EXPECT_EQ(s.SmtpServer, QStringLiteral("second"));
    EXPECT_EQ(s.Pop3Server, QString());
    EXPECT_EQ(s.MailAddress, QStringLiteral("me@x.jp"));
    EXPECT_EQ(s.UseApop, 0);
}

TEST(ServerSettings, valuesAreCutAtOneHundredCharacters) {
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("orvex.ini"));
    WriteBytes(path, "POP3=" + QByteArray(120, 'p') + "\r\n");
    EXPECT_EQ(ServerSettings::read(path).Pop3Server, QString(100, u'p'));
}

TEST(ServerSettings, missingFileReadsAsEmpty) {
    EXPECT_EQ(ServerSettings::read(QStringLiteral("/nonexistent/orvex.ini")), ServerSettings{});
}

TEST(ServerSettings, apopValueIsReadAsARoundedNumber) {
    EXPECT_EQ(LeadingNumberRounded(QStringLiteral("1")), 1);
    EXPECT_EQ(LeadingNumberRounded(QStringLiteral(" 1.6")), 2);
    EXPECT_EQ(LeadingNumberRounded(QStringLiteral("2.5")), 2);
    EXPECT_EQ(LeadingNumberRounded(QStringLiteral("1abc")), 1);
    EXPECT_EQ(LeadingNumberRounded(QStringLiteral("yes")), 0);
    EXPECT_EQ(LeadingNumberRounded(QString()), 0);
}
