// The mail check against the real Dovecot and Postfix of the test run.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "mime/htmlmailfolder.h"
#include "mime/htmlmailmarker.h"
#include "mime/outgoingmail.h"
#include "receive/mailcheck.h"
#include "receive/messageprocessor.h"
#include "settings/firstaccount.h"
#include "settings/servercopysetting.h"
#include "store/mailfile.h"
#include "store/receivedlog.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"
#include "text/text.h"
#include "transport/pop3session.h"
#include "transport/smtpsender.h"

namespace {

class MailCheckServerTest : public testing::Test {
  protected:
    TempFolder root;
    QString appFolder = root.file(QStringLiteral("app"));
    AppPaths paths{appFolder};
    AppSettings settings;
    TestAccount account;
    QList<Error> errors; // of the last check
    QList<CheckStatus> statuses;
    std::function<void(const LastReceived&)> onReceived;
    MailCheck::Clock clock = &QDateTime::currentDateTimeUtc;

    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        ASSERT_TRUE(QDir().mkpath(appFolder) && paths.ensureLayout().ok());
        settings.servers.Pop3Server = TestMailServers::pop3Server();
        WriteBytes(paths.accountFile(), account.accountFileBytes());
    }

    MailCheck::Outcome check() {
        Pop3Session pop({}, TestMailServers::trust());
        MailCheckHooks hooks;
        hooks.setStatus = [this](CheckStatus s) { statuses << s; };
        hooks.received = [this](const LastReceived& l) {
            if (onReceived)
                onReceived(l);
        };
        const MailCheck::Outcome outcome = MailCheck(paths, FirstAccountProfile(paths, settings), pop, hooks,
                                                     DnsTxtLookup::systemServer(), clock)
                                               .CheckMail();
        errors = outcome.errors;
        return outcome;
    }

    void send(const QString& subject, const QString& body, const QStringList& files = {}) {
        const MailOutcome s =
            SmtpSender().send(TestMailServers::smtpServer(),
                              {account.address, QStringLiteral("sender@fennick.test"), subject, body, files});
        ASSERT_TRUE(s.ok()) << s.error().debugText().toStdString();
    }

    QList<NumberedMailRecord> records() {
        return MailFile(paths.receivedMailFile(), QString()).readAll().value();
    }

    QStringList htmlPageFiles(TempFolder& files) {
        const QString picture = files.file(QStringLiteral("photo.png"));
        const QString page = files.file(QStringLiteral("index.htm"));
        WriteBytes(picture, QByteArray("\x89PNG\r\n\x1a\npixels", 14));
        WriteBytes(page, QByteArray("<html><body><img src=\"photo.png\"></body></html>"));
        return {picture, page};
    }
};

} // namespace

TEST_F(MailCheckServerTest, threeWaitingMessagesAreStoredInServerOrderAndLeaveTheServer) {
    for (const char* s : {"first", "second", "third"})
        TestMailServers::deliver(account, QByteArray("From: a@example.jp\r\nSubject: ") + s +
                                              "\r\nDate: Mon, 07 Dec 2026 09:00:00 +0900\r\n\r\nbody " + s +
                                              "\r\n");
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 3);
    EXPECT_EQ(statuses.last(), CheckStatus::NewMail);
    const auto stored = records();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(TrimSpaces(stored[0].record.subject), QStringLiteral("first"));
    EXPECT_EQ(TrimSpaces(stored[2].record.subject), QStringLiteral("third"));
    EXPECT_EQ(TestMailServers::waitingMessages(account), 0);
    Pop3Session pop({}, TestMailServers::trust());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
    EXPECT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 0);
}

TEST_F(MailCheckServerTest, recordBytesFollowTheReceivedMailLayout) {
    send(QStringLiteral("日本語の件名"), QStringLiteral("本文です"));
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    check();
    const QByteArray bytes = ReadBytes(paths.receivedMailFile());
    ASSERT_EQ(bytes.size(), MailRecord::kSize);
    EXPECT_EQ(bytes.left(12), ShiftJis::encode(QStringLiteral("日本語の件名")));
    EXPECT_EQ(bytes.mid(12, 88), QByteArray(88, ' '));
    EXPECT_TRUE(ShiftJis::decode(bytes.mid(100, 90)).trimmed().contains(QStringLiteral("2026")) ||
                !ShiftJis::decode(bytes.mid(100, 90)).trimmed().isEmpty());
    EXPECT_EQ(bytes.mid(190, 14), ShiftJis::encode(QStringLiteral("○TEXT形式")) + QByteArray(4, ' '));
    EXPECT_EQ(bytes.mid(204, 19), QByteArray("sender@fennick.test"));
    EXPECT_EQ(bytes.mid(294, 8), ShiftJis::encode(QStringLiteral("本文です")));
    EXPECT_EQ(bytes.mid(32294, 4), QByteArray("\r\n\x01\x00", 4));
}

TEST_F(MailCheckServerTest, emptyMailboxIsNoNewMailWithoutAnError) {
    check();
    EXPECT_EQ(statuses, (QList<CheckStatus>{CheckStatus::Checking, CheckStatus::NoNewMail}));
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MailCheckServerTest, wrongPasswordGivesTheServersWords) {
    WriteBytes(paths.accountFile(), "[EXEINI]\r\nNAME=" + account.name.toLatin1() + "\r\nNAME2=wrong\r\n");
    check();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(chainOf(errors[0]), (QList<Error::Kind>{Error::Kind::LoginFailed, Error::Kind::Login}));
    EXPECT_EQ(errors[0].cause->detail, QStringLiteral("-ERR [AUTH] Authentication failed."));
}

TEST_F(MailCheckServerTest, twoHtmlMailsOfOneSubjectEachKeepTheirOwnPage) {
    TempFolder files;
    const QStringList pageFiles = htmlPageFiles(files);
    for (int week : {1, 2}) {
        WriteBytes(pageFiles[1], "<html><body>week " + QByteArray::number(week) + "</body></html>");
        const Result<QByteArray> message =
            OutgoingMessage::build({account.address, QStringLiteral("news@fennick.test"),
                                    QStringLiteral("週刊ニュース"), HtmlMailMarker, pageFiles},
                                   QDateTime(QDate(2026, 12, 7 * week), QTime(9, 0)));
        ASSERT_TRUE(message.ok());
        TestMailServers::deliver(account, *message);
    }
    check();
    EXPECT_TRUE(errors.isEmpty()) << testing::PrintToString(errors);
    const auto stored = records();
    ASSERT_EQ(stored.size(), 2);
    for (int week : {1, 2}) {
        const auto folder = HtmlMailFolder::find(paths, stored[week - 1].record);
        ASSERT_TRUE(folder.has_value());
        EXPECT_EQ(*folder, appFolder + (week == 1 ? QStringLiteral("/週刊ニュース")
                                                  : QStringLiteral("/週刊ニュース (2)")));
        EXPECT_EQ(filesIn(*folder), (QStringList{QStringLiteral("index.htm"), QStringLiteral("photo.png")}));
        EXPECT_EQ(ReadBytes(*folder + QStringLiteral("/index.htm")),
                  "<html><body>week " + QByteArray::number(week) + "</body></html>");
    }
}

TEST_F(MailCheckServerTest, hostileSubjectsCreateNothingOutsideOrOverTheInstalledFolders) {
    TempFolder files;
    const QStringList subjects = {QStringLiteral("../x"), QStringLiteral("a/b"), QStringLiteral("★MAilData"),
                                  QString()};
    for (const QString& s : subjects)
        send(s, HtmlMailMarker, htmlPageFiles(files));
    ASSERT_TRUE(TestMailServers::waitForMessages(account, int(subjects.size())));
    const QStringList outside = QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QStringList inside = QDir(appFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    check();
    EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), outside);
    EXPECT_EQ(QDir(appFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), inside);
    EXPECT_EQ(filesIn(paths.dataFolder()),
              (QStringList{QStringLiteral("iniIdPass.ini"), QStringLiteral("orxdata2.data"),
                           QStringLiteral("orxdata2.facts"), QStringLiteral("orxdata5.data")}));
    EXPECT_EQ(kindsOf(errors), QList<Error::Kind>(subjects.size(), Error::Kind::FolderUnusable));
    EXPECT_EQ(records().size(), subjects.size());
}

TEST_F(MailCheckServerTest, attachmentNoteIsTheLastLineOnlyForMailWithAttachments) {
    TempFolder files;
    const QString doc = files.file(QStringLiteral("資料.txt"));
    WriteBytes(doc, QByteArray("doc"));
    send(QStringLiteral("with file"), QStringLiteral("see file"), {doc});
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 1));
    send(QStringLiteral("no file"), QStringLiteral("the attachment is not here"));
    ASSERT_TRUE(TestMailServers::waitForMessages(account, 2));
    check();
    const auto stored = records();
    ASSERT_EQ(stored.size(), 2);
    const QStringList lines = TrimSpaces(stored[0].record.body).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.last(), MessageProcessor::kAttachmentNote);
    // a single-part mail ends with the line break every message ends with
    EXPECT_EQ(TrimSpaces(stored[1].record.body), QStringLiteral("the attachment is not here\r\n"));
    EXPECT_TRUE(QFileInfo::exists(paths.attachmentFolder() + QStringLiteral("/資料.txt")));
}

TEST_F(MailCheckServerTest, messagesWhoseRecordsCannotBeWrittenStayOnTheServer) {
    for (const char* s : {"one", "two", "three"})
        TestMailServers::deliver(account, QByteArray("Subject: ") + s + "\r\n\r\nbody\r\n");
    // After the first message is stored, the received-mail file becomes
    // unwritable (a folder takes its place; root ignores file modes).
    onReceived = [this](const LastReceived&) {
        const QString file = paths.receivedMailFile();
        QFile::rename(file, file + QStringLiteral(".saved"));
        QDir().mkdir(file);
        onReceived = nullptr;
    };
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_EQ(outcome.deleted, 1);
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors[0].kind, Error::Kind::NotStored);
    Pop3Session pop({}, TestMailServers::trust());
    ASSERT_TRUE(pop.connect(TestMailServers::pop3Server()));
    ASSERT_EQ(countOf(pop.authenticate(account.name, account.password, false)), 2);
    EXPECT_EQ(pop.fetch(1)->subject, QStringLiteral("two"));
    EXPECT_EQ(pop.fetch(2)->subject, QStringLiteral("three"));
}

TEST_F(MailCheckServerTest, demoMailsArriveAsTheDemoPromises) {
    for (const char* name : {"1-japanese-text.eml", "2-with-attachments.eml", "3-html-mail.eml"})
        TestMailServers::deliver(
            account, ReadBytes(QStringLiteral(FENNICK_DEMO_MAIL "/") + QString::fromLatin1(name)));
    check();
    const auto stored = records();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(TrimSpaces(stored[0].record.subject), QStringLiteral("来週の打ち合わせについて"));
    EXPECT_EQ(TrimSpaces(stored[0].record.party), QStringLiteral("山田太郎 <yamada@example.jp>"));
    EXPECT_EQ(TrimSpaces(stored[1].record.subject), QStringLiteral("資料をお送りします ①"));
    EXPECT_TRUE(TrimSpaces(stored[1].record.body).endsWith(MessageProcessor::kAttachmentNote));
    EXPECT_EQ(TrimSpaces(stored[2].record.kind), MailRecord::kHtmlKind);
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/冬のお便り")),
              (QStringList{QStringLiteral("index.htm"), QStringLiteral("winter.png")}));
    EXPECT_TRUE(QFileInfo::exists(paths.attachmentFolder() + QStringLiteral("/見積書.txt")));
    EXPECT_TRUE(errors.isEmpty());
}

// Three checks with a mail arriving before each: every mail is stored once,
// and what leaves the server is what the account chose to let go.
TEST_F(MailCheckServerTest, mailLeftOnTheServerIsStoredOnceAndLeavesItAsChosen) {
    using M = ServerCopy::Mode;
    const struct {
        const char* name;
        M mode;
        int deletedInTheHistory; // record, before the third check
        const char* stored;      // subjects in the history at the end
        const char* onServer;
    } rows[] = {
        {"kept", M::Keep, 0, "1 2 3", "1 2 3"},
        {"after-14-days-the-one-stored-15-days-ago-goes", M::DeleteAfterDays, 0, "1 2 3", "2 3"},
        {"the-one-deleted-in-the-history-goes", M::DeleteWithHistory, 1, "2 3", "2 3"},
    };
    const QDateTime first = QDateTime::currentDateTimeUtc();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        account = TestMailServers::claimAccount();
        paths = AppPaths(root.file(QString::fromLatin1(row.name)));
        ASSERT_TRUE(QDir().mkpath(paths.applicationFolder()) && paths.ensureLayout().ok());
        WriteBytes(paths.accountFile(), account.accountFileBytes());
        ASSERT_TRUE(ServerCopySetting::write(paths.accountFile(), {row.mode, 14}).ok());
        const int days[] = {0, 10, 15};
        for (int i = 1; i <= 3; ++i) {
            if (i == 3 && row.deletedInTheHistory) {
                ASSERT_TRUE(DeleteReceivedRecord(paths, row.deletedInTheHistory).ok());
            }
            TestMailServers::deliver(account, "Subject: " + QByteArray::number(i) + "\r\n\r\nbody\r\n");
            clock = [at = first.addDays(days[i - 1])] { return at; };
            const auto outcome = check();
            EXPECT_TRUE(errors.isEmpty()) << testing::PrintToString(errors);
            EXPECT_EQ(outcome.stored, 1) << "check " << i;
        }
        QStringList stored;
        for (const auto& r : records())
            stored << TrimSpaces(r.record.subject);
        EXPECT_EQ(stored, QString::fromLatin1(row.stored).split(u' '));
        QStringList onServer;
        for (const QString& folder : {QStringLiteral("/new"), QStringLiteral("/cur")})
            for (const QFileInfo& f : QDir(account.maildir + folder).entryInfoList(QDir::Files))
                onServer << QString::fromLatin1(ReadBytes(f.filePath()).mid(9, 1)); // "Subject: n"
        onServer.sort();
        EXPECT_EQ(onServer, QString::fromLatin1(row.onServer).split(u' '));
    }
}
