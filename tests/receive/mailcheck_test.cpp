// Ordering and failure paths of the mail check, with a scripted mailbox.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "mime/htmlmailmarker.h"
#include "receive/mailcheck.h"
#include "search/mailfacts.h"
#include "search/unreadmarks.h"
#include "settings/firstaccount.h"
#include "settings/servercopysetting.h"
#include "settings/tokenstore.h"
#include "settings/trustedauthserv.h"
#include "store/mailfile.h"
#include "store/receivedlog.h"
#include "store/recordfile.h"
#include "tests/support/dkimtestkey.h"
#include "tests/support/errors.h"
#include "tests/support/fakemailbox.h"
#include "tests/support/loopbackdns.h"
#include "tests/support/tempfolder.h"
#include "text/text.h"

namespace {

using K = Error::Kind;
using Statuses = QList<CheckStatus>;

class MailCheckTest : public testing::Test {
  protected:
    TempFolder app;
    AppPaths paths{app.path()};
    AppSettings settings;
    FakeMailbox mailbox;
    Statuses statuses;
    QList<LastReceived> received;
    QList<Account> accounts;

    void SetUp() override {
        ASSERT_TRUE(paths.ensureLayout().ok());
        settings.servers.Pop3Server = QStringLiteral("pop.example.jp");
        WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\nNAME2=pw\r\nNAME3=1\r\n"));
    }

    std::optional<DnsTxtLookup::Server> dns; // none: only providers' verdicts
    QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC);
    bool stopBeforeStart = false;
    int stopOnReceived = 0; // stop the check when this many mails were stored

    MailCheck::Outcome check() {
        MailCheck* running = nullptr;
        MailCheckHooks hooks;
        hooks.setStatus = [this](CheckStatus s) { statuses << s; };
        hooks.received = [this, &running](const LastReceived& l) {
            received << l;
            if (received.size() == stopOnReceived)
                running->stop();
        };
        hooks.accountLoaded = [this](const Account& a) { accounts << a; };
        hooks.synced = [this](const QString& path) {
            mailbox.log->add(QStringLiteral("sync ") + QDir(app.path()).relativeFilePath(path));
        };
        MailCheck mailCheck(paths, FirstAccountProfile(paths, settings), mailbox, hooks, dns,
                            [this] { return now; });
        running = &mailCheck;
        if (stopBeforeStart)
            mailCheck.stop();
        return mailCheck.CheckMail();
    }

    QList<NumberedMailRecord> stored() {
        return MailFile(paths.receivedMailFile(), QString()).readAll().value();
    }

    // The received log and the fetched record as a copy before this one left
    // them: the messages (of `messages`) and the log's records known by
    // their BLAKE2b-256.
    void asAnOlderCopyWroteThem(const QList<ReceivedMessage>& messages) {
        QHash<QByteArray, QByteArray> older;
        for (const ReceivedMessage& m : messages)
            older.insert(ReceivedLog::digest(rawMessage(m)), ReceivedLog::olderDigest(rawMessage(m)));
        const ReceivedLog log(paths.dataFile(ReceivedLog::kFileName));
        QList<ReceivedLog::Line> lines = log.read().value();
        const RecordFile records(paths.receivedMailFile(), MailRecord::kSize);
        for (ReceivedLog::Line& l : lines) {
            l.message = older.value(l.message);
            l.record = ReceivedLog::olderDigest(records.read(l.number).value().value());
        }
        ASSERT_TRUE(log.rewrite(lines).ok());
        const FetchedRecord fetched(paths.dataFile(FetchedRecord::fileName(AccountProfile::kFirstKey)));
        QList<FetchedRecord::Entry> entries = fetched.read().value();
        for (FetchedRecord::Entry& e : entries)
            e.message = older.value(e.message);
        ASSERT_TRUE(fetched.write(entries).ok());
    }
};

} // namespace

TEST_F(MailCheckTest, everyMessageIsStoredBeforeAnyIsDeleted) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")), mail(QStringLiteral("三"))};
    const auto outcome = check();
    EXPECT_EQ(mailbox.log->steps(),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0"),
                           QStringLiteral("fetch 1"), QStringLiteral("fetch 2"), QStringLiteral("fetch 3"),
                           QStringLiteral("sync ★MAilData/received.log"),
                           QStringLiteral("sync ★MAilData/orxdata2.data"), QStringLiteral("delete 1"),
                           QStringLiteral("delete 2"), QStringLiteral("delete 3"), QStringLiteral("close")}));
    EXPECT_EQ(outcome.stored, 3);
    EXPECT_EQ(outcome.deleted, 3);
    const auto records = stored();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("一"));
    EXPECT_EQ(TrimSpaces(records[2].record.body), QStringLiteral("本文 三"));
    EXPECT_EQ(statuses, (Statuses{CheckStatus::Checking, CheckStatus::NewMail}));
    ASSERT_EQ(received.size(), 3);
    EXPECT_EQ(received.last().subject, QStringLiteral("三"));
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].id, QStringLiteral("taro"));
    EXPECT_EQ(accounts[0].password, QStringLiteral("pw"));
}

TEST_F(MailCheckTest, aStopKeepsWhatWasFetchedAheadOnTheServer) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二")), mail(QStringLiteral("三"))};
    stopOnReceived = 1;
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_EQ(outcome.deleted, 1);
    EXPECT_EQ(stored().size(), 1);
    const QStringList steps = mailbox.log->steps();
    EXPECT_TRUE(steps.contains(QStringLiteral("delete 1")));
    EXPECT_FALSE(steps.contains(QStringLiteral("delete 2")) || steps.contains(QStringLiteral("delete 3")))
        << steps.join(u',').toStdString();
}

TEST_F(MailCheckTest, everythingAMessageWroteIsSyncedBeforeItIsDeleted) {
    ReceivedMessage withFile = mail(QStringLiteral("添付"));
    withFile.attachments = {{QStringLiteral("a.txt"), "a"}};
    ReceivedMessage page = mail(QStringLiteral("夏"));
    page.body = HtmlMailMarker;
    page.attachments = {{QStringLiteral("index.htm"), "<img src=p.png>"}, {QStringLiteral("p.png"), "png"}};
    const QStringList logAndRecords = {QStringLiteral("sync ★MAilData/received.log"),
                                       QStringLiteral("sync ★MAilData/orxdata2.data")};
    const struct {
        const char* name;
        ReceivedMessage message;
        bool folderExists;
        QStringList synced;
    } rows[] = {
        {"text-mail", mail(QStringLiteral("本文だけ")), false, logAndRecords},
        {"attachment", withFile, false,
         QStringList{QStringLiteral("sync 添付フォルダ/a.txt"), QStringLiteral("sync 添付フォルダ")} +
             logAndRecords},
        {"html-mail-in-a-new-folder", page, false,
         QStringList{QStringLiteral("sync 夏/.fennick-mail"), QStringLiteral("sync 夏/index.htm"),
                     QStringLiteral("sync 夏/p.png"), QStringLiteral("sync 添付フォルダ/index.htm"),
                     QStringLiteral("sync 添付フォルダ/p.png"), QStringLiteral("sync 夏"),
                     QStringLiteral("sync ."), QStringLiteral("sync 添付フォルダ")} +
             logAndRecords},
        {"html-mail-whose-subjects-folder-is-taken", page, true,
         QStringList{QStringLiteral("sync 夏 (2)/.fennick-mail"), QStringLiteral("sync 夏 (2)/index.htm"),
                     QStringLiteral("sync 夏 (2)/p.png"), QStringLiteral("sync 添付フォルダ/index.htm"),
                     QStringLiteral("sync 添付フォルダ/p.png"), QStringLiteral("sync 夏 (2)"),
                     QStringLiteral("sync ."), QStringLiteral("sync 添付フォルダ")} +
             logAndRecords},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(paths.attachmentFolder()).removeRecursively();
        QDir(app.file(QStringLiteral("夏"))).removeRecursively();
        QDir(app.file(QStringLiteral("夏 (2)"))).removeRecursively();
        ASSERT_TRUE(paths.ensureLayout().ok());
        if (row.folderExists) {
            ASSERT_TRUE(QDir(app.path()).mkdir(QStringLiteral("夏")));
        }
        mailbox.log = std::make_shared<StepLog>();
        mailbox.messages = {row.message};
        check();
        EXPECT_EQ(mailbox.log->steps(),
                  QStringList({QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0"),
                               QStringLiteral("fetch 1")}) +
                      row.synced + QStringList({QStringLiteral("delete 1"), QStringLiteral("close")}));
    }
}

TEST_F(MailCheckTest, emptyMailboxShowsNoNewMailAndNoError) {
    EXPECT_TRUE(check().errors.isEmpty());
    EXPECT_EQ(statuses.last(), CheckStatus::NoNewMail);
    EXPECT_EQ(mailbox.log->steps().last(), QStringLiteral("close"));
}

TEST_F(MailCheckTest, noSavedAccountAsksForTheAccountAndTriesNoLogin) {
    WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\n"));
    EXPECT_EQ(check().needs, MailCheck::Needs::Account);
    EXPECT_EQ(mailbox.log->steps(),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("close")}));
    EXPECT_EQ(statuses.last(), CheckStatus::NoNewMail);
}

TEST_F(MailCheckTest, anAccountSignedInThroughItsProviderLogsInWithoutAPassword) {
    WriteBytes(paths.accountFile(), QByteArray("[EXEINI]\r\nNAME=taro\r\n"));
    OAuthSignIn signIn;
    signIn.client.tokenUrl = QStringLiteral("https://auth.example.jp/token");
    signIn.client.clientId = QStringLiteral("client");
    signIn.tokens.refreshToken = QStringLiteral("refresh");
    ASSERT_TRUE(TokenStore(paths.dataFile(TokenStore::kFileName)).save(signIn).ok());
    EXPECT_EQ(check().needs, MailCheck::Needs::Nothing);
    EXPECT_EQ(mailbox.log->steps().mid(0, 2),
              (QStringList{QStringLiteral("connect pop.example.jp"), QStringLiteral("auth taro 0")}));
}

// What went wrong before any message was fetched ends the check there:
// nothing is fetched, and the status says no new mail.
TEST_F(MailCheckTest, aSessionThatFailsBeforeTheFirstMessageFetchesNothing) {
    const Error lost{.kind = K::ConnectionLost, .name = QStringLiteral("pop.example.jp")};
    const struct {
        const char* name;
        std::optional<Error> connectError;
        std::optional<Error> loginError;
        QList<K> chain; // of the one error
    } rows[] = {
        {"unreachable-server", lost, {}, {K::ConnectionLost}},
        {"refused-login", {}, FakeMailbox::refusedLogin(), {K::LoginFailed, K::Login}},
    };
    settings.servers.UseApop = 1;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        statuses.clear();
        mailbox.messages = {mail(QStringLiteral("一"))};
        mailbox.connectError = row.connectError;
        mailbox.loginError = row.loginError;
        const auto outcome = check();
        ASSERT_EQ(outcome.errors.size(), 1);
        EXPECT_EQ(chainOf(outcome.errors[0]), row.chain);
        EXPECT_EQ(statuses, (Statuses{CheckStatus::Checking, CheckStatus::NoNewMail}));
        EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("fetch 1")));
    }
    EXPECT_EQ(check().errors[0].cause->detail, QStringLiteral("-ERR [AUTH] Authentication failed."));
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("auth taro 1"))) << "APOP as the account asks";
}

TEST_F(MailCheckTest, noServerSetAsksForTheServer) {
    settings.servers.Pop3Server.clear();
    EXPECT_EQ(check().needs, MailCheck::Needs::Server);
    EXPECT_TRUE(mailbox.log->steps().isEmpty());
    EXPECT_EQ(statuses, Statuses{CheckStatus::NoNewMail});
}

TEST_F(MailCheckTest, messageThatCannotBeStoredStaysOnTheServerWithThoseAfterIt) {
    mailbox.messages = {mail(QStringLiteral("1")), mail(QStringLiteral("2")), mail(QStringLiteral("3"))};
    // The file fills up: the second message would be record 32768.
    QFile f(paths.receivedMailFile());
    ASSERT_TRUE(f.resize(qint64(32766) * MailRecord::kSize));
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("delete 1")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 2")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 3")));
    ASSERT_EQ(outcome.errors.size(), 1);
    EXPECT_EQ(chainOf(outcome.errors[0]), (QList<K>{K::NotStored, K::TooManyRecords}));
    EXPECT_EQ(outcome.errors[0].number, 2);
    EXPECT_EQ(outcome.errors[0].subject, QStringLiteral("2"));
}

TEST_F(MailCheckTest, oversizedMessageIsLeftOnTheServerAndTheRestArrive) {
    mailbox.messages = {mail(QStringLiteral("1")), mail(QStringLiteral("big")), mail(QStringLiteral("3"))};
    mailbox.tooLarge = {2};
    const auto outcome = check();
    EXPECT_EQ(outcome.stored, 2);
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("fetch 2")));
    EXPECT_FALSE(mailbox.log->steps().contains(QStringLiteral("delete 2")));
    EXPECT_TRUE(mailbox.log->steps().contains(QStringLiteral("delete 3")));
    ASSERT_EQ(kindsOf(outcome.errors), QList<K>{K::TooLarge});
    EXPECT_EQ(outcome.errors[0].number, 2);
    EXPECT_EQ(outcome.errors[0].bytes, mailbox.size(2));
}

TEST_F(MailCheckTest, textsAreCutAtNulAndTrimmedIntoTheRecord) {
    ReceivedMessage m = mail(QStringLiteral("x"));
    m.subject = QStringLiteral("  件名  ") + QChar(u'\0') + QStringLiteral("hidden");
    m.body = QStringLiteral("\tbody\t  ");
    mailbox.messages = {m};
    check();
    const auto records = stored();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(TrimSpaces(records[0].record.subject), QStringLiteral("件名"));
    EXPECT_TRUE(records[0].record.body.startsWith(QStringLiteral("\tbody\t ")));
    EXPECT_EQ(received[0].rawSubject, QStringLiteral("  件名  "));
}

TEST_F(MailCheckTest, eachStoredMailKeepsItsSendersVerdictBesideTheUnchangedRecord) {
    const DkimTestKey key("ed25519");
    LoopbackDns server({{"sel._domainkey.example.co.jp", {key.record()}}}, {"slow._domainkey.example.co.jp"});
    dns = DnsTxtLookup::Server{QStringLiteral("127.0.0.1"), server.port()};
    const QByteArray mail =
        "From: <info@example.co.jp>\r\nSubject: s\r\nDate: Tue, 8 Dec 2026 07:00:00 +0900\r\n\r\nb\r\n";
    const QByteArray fail =
        "Authentication-Results: mx.provider.example; dmarc=fail header.from=example.co.jp\r\n";
    mailbox.messages = QList<ReceivedMessage>(4, ::mail(QStringLiteral("x")));
    mailbox.rawBytes = {
        {1, fail + mail},
        {2, QByteArray(fail).replace("mx.provider", "mx.forger") + key.sign(mail, "relaxed/relaxed")},
        {3, key.sign(mail, "relaxed/relaxed", {}, "slow")},
        {4, mail}};
    check();
    ASSERT_EQ(stored().size(), 4);
    EXPECT_EQ(TrustedAuthserv(paths.dataFile(TrustedAuthserv::kFileName)).load(),
              QStringLiteral("mx.provider.example"));
    const QHash<int, QByteArray> verdicts =
        MailFacts::open(paths.receivedMailFile()).value().values(QStringLiteral("verdict")).value();
    EXPECT_EQ(verdicts.value(1), QByteArray("v1;p;spf=none;dkim=none;d=;dmarc=fail;f=example.co.jp"));
    EXPECT_EQ(verdicts.value(2),
              QByteArray("v1;o;spf=none;dkim=pass;d=example.co.jp;dmarc=none;f=example.co.jp"));
    EXPECT_EQ(verdicts.value(3),
              QByteArray("v1;o;spf=none;dkim=temperror;d=example.co.jp;dmarc=none;f=example.co.jp"));
    EXPECT_EQ(verdicts.value(4), QByteArray("v1;o;spf=none;dkim=none;d=;dmarc=none;f=example.co.jp"));
}

TEST_F(MailCheckTest, anAccountTheWindowCouldNotSaveIsTheOneThatLogsIn) {
    settings.unsavedAccount = Account{QStringLiteral("hanako"), QStringLiteral("new")};
    check();
    const QStringList steps = mailbox.log->steps();
    EXPECT_TRUE(steps.contains(QStringLiteral("auth hanako 0"))) << steps.join(u' ').toStdString();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts[0].id, QStringLiteral("hanako"));
}

TEST_F(MailCheckTest, aDeletionTheServerRefusedInTheBatchIsReported) {
    mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二"))};
    mailbox.flushError = {.kind = K::NotDeleted, .number = 2};
    EXPECT_EQ(kindsOf(check().errors), QList<K>{K::NotDeleted});
    EXPECT_EQ(stored().size(), 2) << "both stay stored";
}

namespace {

// The states a check killed part-way leaves behind, and what the next check
// makes of them. A first check whose DELEs the server refuses leaves the
// records and the log as a kill after the last append would.
class InterruptedCheckTest : public MailCheckTest {
  protected:
    QString logFile() { return paths.dataFolder() + QStringLiteral("/received.log"); }
    QStringList storedSubjects() {
        QStringList subjects;
        for (const auto& r : stored())
            subjects << TrimSpaces(r.record.subject);
        return subjects;
    }
    void cutShort(const QList<ReceivedMessage>& messages) {
        mailbox.messages = messages;
        mailbox.flushError = Error{.kind = K::NotDeleted, .number = 1};
        check();
        mailbox.flushError.reset();
    }
    const QList<ReceivedMessage> threeMails{mail(QStringLiteral("一")), mail(QStringLiteral("二")),
                                            mail(QStringLiteral("三"))};

    void SetUp() override {
        MailCheckTest::SetUp();
        cutShort(threeMails);
        ASSERT_EQ(ReadBytes(logFile()).count('\n'), 3);
    }
};

} // namespace

TEST_F(InterruptedCheckTest, recordsThatNeverReachedTheFileWhole_areStoredOnce) {
    // Killed while a record was being written: a kill can stop a write of a
    // regular file part-way, so any piece of it may be there. Which pieces
    // the next append follows rather than overwrites depends on the number.
    const struct {
        const char* name;
        int whole; // records before the piece
        qsizetype piece;
    } cases[] = {
        {"a-quarter-of-the-second", 1, MailRecord::kSize / 4},
        {"three-quarters-of-the-second", 1, MailRecord::kSize * 3 / 4},
        {"all-but-a-byte-of-the-second", 1, MailRecord::kSize - 1},
        {"exactly-half-of-the-third", 2, MailRecord::kSize / 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(paths.receivedMailFile());
        QFile::remove(logFile());
        cutShort(threeMails);
        ASSERT_TRUE(QFile(paths.receivedMailFile()).resize(c.whole * MailRecord::kSize + c.piece));
        const auto outcome = check();
        EXPECT_EQ(outcome.storedBefore, c.whole);
        EXPECT_EQ(outcome.stored, 3 - c.whole);
        EXPECT_EQ(storedSubjects(),
                  (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));
        EXPECT_EQ(QFileInfo(paths.receivedMailFile()).size(), 3 * MailRecord::kSize);
    }
}

TEST_F(InterruptedCheckTest, aRecordReplacedSinceDoesNotCountAsStored) {
    // The logged number now holds another mail.
    const MailFile file(paths.receivedMailFile(), QString());
    MailRecord other = file.read(2).value().value();
    other.subject = QStringLiteral("別のメール");
    ASSERT_TRUE(file.writeAt(2, other).ok());
    const auto outcome = check();
    EXPECT_EQ(outcome.storedBefore, 2);
    EXPECT_EQ(outcome.stored, 1);
    EXPECT_EQ(storedSubjects(), (QStringList{QStringLiteral("一"), QStringLiteral("別のメール"),
                                             QStringLiteral("三"), QStringLiteral("二")}));
}

TEST_F(InterruptedCheckTest, aRecordNeverStandsForTwoMessages) {
    // Two mails whose records are byte for byte the same (they differ only in
    // an attachment's content). The second one's record was cut short by a
    // kill; in the next check the first one is stored where it was.
    ReceivedMessage first = mail(QStringLiteral("同じ")), second = mail(QStringLiteral("同じ"));
    first.attachments = {{QStringLiteral("x.txt"), "1"}};
    second.attachments = {{QStringLiteral("x.txt"), "2"}};
    QFile::remove(paths.receivedMailFile());
    QFile::remove(logFile());
    cutShort({second});
    ASSERT_TRUE(QFile(paths.receivedMailFile()).resize(MailRecord::kSize / 4));
    mailbox.messages = {first, second};
    EXPECT_EQ(check().stored, 2);
    EXPECT_EQ(storedSubjects(), (QStringList{QStringLiteral("同じ"), QStringLiteral("同じ")}));
}

TEST_F(InterruptedCheckTest, theLogKeepsItsLinesUntilNoListedMessageCanNeedThem) {
    // A line of a message no longer on the server (the QUIT came through, the
    // pruning did not) keeps nothing from being stored twice, but only a check
    // that saw every listed message knows it is gone.
    QFile log(logFile());
    ASSERT_TRUE(log.open(QIODevice::Append));
    const QByteArray gone = QByteArray(64, 'a') + " 9 " + QByteArray(64, 'b') + '\n';
    log.write(gone);
    log.close();
    stopBeforeStart = true;
    check();
    EXPECT_TRUE(ReadBytes(logFile()).contains(gone)) << "a stopped check examined nothing";
    stopBeforeStart = false;
    mailbox.quitConfirmed = false;
    check();
    const QByteArray kept = ReadBytes(logFile());
    EXPECT_EQ(kept.count('\n'), 3) << "no QUIT +OK: the deletions may not have happened";
    EXPECT_FALSE(kept.contains(gone));
    mailbox.quitConfirmed = true;
    const auto outcome = check();
    EXPECT_EQ(outcome.storedBefore, 3);
    EXPECT_EQ(stored().size(), 3);
    EXPECT_FALSE(QFile::exists(logFile()));
}

// Every listed message is stored exactly once and deleted only once it is,
// whatever its UIDL, across a check cut short after storing (its deletions
// refused, which leaves things as a kill would), a deletion in the history
// window, and the next check.
TEST_F(InterruptedCheckTest, everyListedMessageIsStoredOnceWhateverItsUidl) {
    const ReceivedMessage a = mail(QStringLiteral("A")), b = mail(QStringLiteral("B"));
    const ReceivedMessage earlier = mail(QStringLiteral("前"));
    const QString u = QStringLiteral("u");
    enum class Deletion { None, Whole, StoppedAfterTheLog };
    struct Check {
        QList<ReceivedMessage> messages;
        QStringList uidls = {};
        bool cutShort = false;
        bool byAnOlderCopy = false;
    };
    // The last check fetches and deletes every message it lists.
    const struct {
        const char* name;
        QList<Check> checks;
        const char* records;                // the subjects stored in the end
        Deletion deletion = Deletion::None; // of record `deleted`, before the last check
        int deleted = 0;
    } rows[] = {
        {.name = "two-messages-one-uidl", .checks = {{{a, b}, {u, u}}}, .records = "A B"},
        {.name = "same-content-listed-twice", .checks = {{{a, a}}}, .records = "A A"},
        {.name = "no-uidls-after-a-kill", .checks = {{{a, b}, {}, true}, {{a, b}}}, .records = "A B"},
        {.name = "no-uidls-after-an-older-copy-was-killed",
         .checks = {{{a, b}, {}, true, true}, {{a, b}}},
         .records = "A B"},
        {.name = "a-uidl-names-another-message-after-a-kill",
         .checks = {{{a}, {u}, true}, {{b}, {u}}},
         .records = "A B"},
        {.name = "same-content-twice-after-a-kill",
         .checks = {{{a, a}, {}, true}, {{a, a}}},
         .records = "A A"},
        {.name = "a-second-copy-arrives-after-a-kill",
         .checks = {{{a}, {}, true}, {{a, a}}},
         .records = "A A"},
        {.name = "the-user-deletes-that-mail-after-a-kill",
         .checks = {{{earlier}}, {{a, b}, {}, true}, {{a, b}}},
         .records = "前 B",
         .deletion = Deletion::Whole,
         .deleted = 2},
        {.name = "the-user-deletes-an-earlier-mail-after-a-kill",
         .checks = {{{earlier}}, {{a, b}, {}, true}, {{a, b}}},
         .records = "A B",
         .deletion = Deletion::Whole,
         .deleted = 1},
        {.name = "the-users-deletion-stopped-after-the-log",
         .checks = {{{earlier}}, {{a, b}, {}, true}, {{a, b}}},
         .records = "前 A B",
         .deletion = Deletion::StoppedAfterTheLog,
         .deleted = 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(paths.receivedMailFile());
        QFile::remove(logFile());
        for (const Check& c : row.checks) {
            if (&c == &row.checks.last()) {
                const RecordFile records(paths.receivedMailFile(), MailRecord::kSize);
                const Status deleted = row.deletion == Deletion::Whole
                                           ? DeleteReceivedRecord(paths, row.deleted)
                                       : row.deletion == Deletion::StoppedAfterTheLog
                                           ? ReceivedLog(logFile()).forgetRecord(records, row.deleted)
                                           : Status();
                ASSERT_TRUE(deleted.ok()) << deleted.error();
                mailbox.log = std::make_shared<StepLog>();
            }
            mailbox.uidls = c.uidls;
            if (c.cutShort) {
                cutShort(c.messages);
                if (c.byAnOlderCopy)
                    asAnOlderCopyWroteThem(c.messages);
            } else {
                mailbox.messages = c.messages;
                const auto outcome = check();
                EXPECT_TRUE(outcome.errors.isEmpty()) << testing::PrintToString(outcome.errors);
            }
        }
        QStringList fetchedThenDeleted;
        for (const QString& step : {QStringLiteral("fetch %1"), QStringLiteral("delete %1")})
            for (int n = 1; n <= row.checks.last().messages.size(); ++n)
                fetchedThenDeleted << step.arg(n);
        const QStringList steps = mailbox.log->steps();
        EXPECT_EQ(steps.filter(QRegularExpression(QStringLiteral("^(fetch|delete) "))), fetchedThenDeleted)
            << steps.join(u' ').toStdString();
        EXPECT_EQ(storedSubjects(), QString::fromUtf8(row.records).split(u' '))
            << storedSubjects().join(u' ').toStdString();
        EXPECT_FALSE(QFile::exists(logFile()));
    }
}

TEST_F(MailCheckTest, eachRecordItStoresIsMarkedUnreadOnce) {
    const struct {
        const char* name;
        int before; // records in the history before the check
        QList<int> unreadBefore;
        bool readBetweenTwoChecks; // a first check cut short, mail 1 read, the check again
        QList<int> unreadAfter;
    } rows[] = {
        {"into-an-empty-history", 0, {}, false, {1, 2}},
        {"after-read-and-unread-mail", 2, {2}, false, {2, 3, 4}},
        {"mail-read-after-a-check-cut-short-stays-read", 0, {}, true, {2}},
    };
    const QString file = paths.receivedMailFile();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(file);
        QFile::remove(MailFacts::pathFor(file));
        QFile::remove(paths.dataFile(ReceivedLog::kFileName));
        for (int i = 0; i < row.before; ++i)
            ASSERT_TRUE(MailFile(file, QString()).append({QStringLiteral("前"), {}, {}, {}, {}, 1}).ok());
        ASSERT_TRUE(UnreadMarks::open(file).value().mark(row.unreadBefore, true).ok());
        mailbox.messages = {mail(QStringLiteral("一")), mail(QStringLiteral("二"))};
        if (row.readBetweenTwoChecks) {
            mailbox.flushError = Error{.kind = K::NotDeleted, .number = 1};
            check();
            mailbox.flushError.reset();
            ASSERT_TRUE(UnreadMarks::open(file).value().mark({1}, false).ok());
        }
        EXPECT_TRUE(check().errors.isEmpty());
        EXPECT_EQ(stored().size(), row.before + 2);
        EXPECT_EQ(UnreadMarks::open(file).value().rows().value(),
                  QSet<int>(row.unreadAfter.cbegin(), row.unreadAfter.cend()));
    }
}

TEST_F(MailCheckTest, progressCountsEveryMessageBeforeItIsFetched) {
    for (int i = 1; i <= 3; ++i)
        mailbox.messages << mail(QString::number(i));
    mailbox.tooLarge = {2};
    MailCheckHooks hooks;
    hooks.progress = [&](int n, int count) { mailbox.log->add(QStringLiteral("%1 / %2").arg(n).arg(count)); };
    MailCheck(paths, FirstAccountProfile(paths, settings), mailbox, hooks).CheckMail();
    const QStringList steps = mailbox.log->steps();
    EXPECT_EQ(steps.mid(2, 5),
              (QStringList{QStringLiteral("1 / 3"), QStringLiteral("fetch 1"), QStringLiteral("2 / 3"),
                           QStringLiteral("3 / 3"), QStringLiteral("fetch 3")}));
}

namespace {

// Mail left on the server, over several checks of a scripted mailbox.
class ServerCopyTest : public MailCheckTest {
  protected:
    struct Check {
        QList<ReceivedMessage> messages;
        QStringList uidls = {};
        int day = 0;          // days after the first check
        int deleteRecord = 0; // the user deletes this record in the history first
        ServerCopy::Mode mode = ServerCopy::Mode::Keep;
        bool byAnOlderCopy = false;
    };

    // Runs the checks from an empty history; the steps of the last one.
    QStringList run(const QList<Check>& checks, int days = 14) {
        const QDateTime first = now;
        QFile::remove(paths.receivedMailFile());
        QFile::remove(paths.dataFile(FetchedRecord::fileName(AccountProfile::kFirstKey)));
        for (const Check& c : checks) {
            if (c.deleteRecord) {
                EXPECT_TRUE(DeleteReceivedRecord(paths, c.deleteRecord).ok());
            }
            EXPECT_TRUE(ServerCopySetting::write(paths.accountFile(), {c.mode, days}).ok());
            now = first.addDays(c.day);
            mailbox.log = std::make_shared<StepLog>();
            mailbox.messages = c.messages;
            mailbox.uidls = c.uidls;
            const auto outcome = check();
            EXPECT_TRUE(outcome.errors.isEmpty()) << testing::PrintToString(outcome.errors);
            if (c.byAnOlderCopy)
                asAnOlderCopyWroteThem(c.messages);
        }
        now = first;
        return mailbox.log->steps().filter(QRegularExpression(QStringLiteral("^(fetch|delete) ")));
    }
    QStringList storedSubjects() {
        QStringList subjects;
        for (const auto& r : stored())
            subjects << TrimSpaces(r.record.subject);
        return subjects;
    }
    int fetchedEntries() {
        return FetchedRecord(paths.dataFile(FetchedRecord::fileName(AccountProfile::kFirstKey)))
            .read()
            .value()
            .size();
    }

    const ReceivedMessage a = mail(QStringLiteral("A")), b = mail(QStringLiteral("B")),
                          c = mail(QStringLiteral("C")), longer = mail(QStringLiteral("長い件名のメール"));
};

} // namespace

// A message stored once is passed over by the next checks, known by its
// UIDL where the server's UIDLs can be trusted and by its content where
// they cannot; none is stored twice, none deleted.
TEST_F(ServerCopyTest, aMessageLeftOnTheServerIsStoredOnceWhateverItsUidl) {
    const QString u = QStringLiteral("u");
    const struct {
        const char* name;
        QList<Check> checks;
        QStringList lastSteps;
        const char* records;
        int entries; // in the fetched record after the last check
    } rows[] = {
        {"steady-uidls-fetch-only-the-new-one",
         {{{a, b}, {u, QStringLiteral("v")}}, {{a, b, c}, {u, QStringLiteral("v"), QStringLiteral("w")}}},
         {QStringLiteral("fetch 3")},
         "A B C",
         3},
        {"no-uidls-fetch-all-and-store-only-the-new-one",
         {{{a, b}}, {{a, b, c}}},
         {QStringLiteral("fetch 1"), QStringLiteral("fetch 2"), QStringLiteral("fetch 3")},
         "A B C",
         3},
        {"no-uidls-after-an-older-copy-fetched-them",
         {{{a, b}, {}, 0, 0, ServerCopy::Mode::Keep, true}, {{a, b, c}}},
         {QStringLiteral("fetch 1"), QStringLiteral("fetch 2"), QStringLiteral("fetch 3")},
         "A B C",
         3},
        {"a-uidl-a-new-message-shares-with-a-stored-one-is-no-match",
         {{{a}, {u}}, {{a, b}, {u, u}}},
         {QStringLiteral("fetch 1"), QStringLiteral("fetch 2")},
         "A B",
         2},
        {"changed-uidls-are-learnt-once",
         {{{a}, {u}}, {{a}, {QStringLiteral("x")}}, {{a}, {QStringLiteral("x")}}},
         {},
         "A",
         1},
        {"a-uidl-given-to-another-message-of-another-size",
         {{{a}, {u}}, {{longer}, {u}}},
         {QStringLiteral("fetch 1")},
         "A 長い件名のメール",
         1},
        {"the-same-content-twice-is-two-mails",
         {{{a, a}, {u, QStringLiteral("v")}}, {{a, a, a}, {u, QStringLiteral("v"), QStringLiteral("w")}}},
         {QStringLiteral("fetch 3")},
         "A A A",
         3},
        {"a-message-deleted-elsewhere-leaves-the-record",
         {{{a, b}, {u, QStringLiteral("v")}}, {{b}, {QStringLiteral("v")}}},
         {},
         "A B",
         1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run(row.checks), row.lastSteps);
        EXPECT_EQ(storedSubjects(), QString::fromUtf8(row.records).split(u' '));
        EXPECT_EQ(fetchedEntries(), row.entries);
        EXPECT_FALSE(QFile::exists(paths.dataFile(ReceivedLog::kFileName)));
    }
}

// What leaves the server later, as the account chose: old mail by our own
// date of storing it, mail whose record the user deleted in the history.
TEST_F(ServerCopyTest, aMessageLeftOnTheServerLeavesItAsTheAccountChose) {
    using M = ServerCopy::Mode;
    const QStringList uvw = {QStringLiteral("u"), QStringLiteral("v"), QStringLiteral("w")};
    const struct {
        const char* name;
        QList<Check> checks;
        QStringList lastSteps;
        int entries;
    } rows[] = {
        {"kept-a-year", {{{a}, uvw}, {{a}, uvw, 365}}, {}, 1},
        {"after-14-days-only-what-was-stored-over-14-days-ago",
         {{{a}, uvw, 0, 0, M::DeleteAfterDays},
          {{a, b}, uvw, 10, 0, M::DeleteAfterDays},
          {{a, b, c}, uvw, 15, 0, M::DeleteAfterDays}},
         {QStringLiteral("fetch 3"), QStringLiteral("delete 1")},
         2},
        {"exactly-14-days-is-not-over-14",
         {{{a}, uvw, 0, 0, M::DeleteAfterDays}, {{a}, uvw, 14, 0, M::DeleteAfterDays}},
         {},
         1},
        {"the-record-deleted-in-the-history-goes-the-one-moved-down-stays",
         {{{a, b}, uvw, 0, 0, M::DeleteWithHistory}, {{a, b}, uvw, 1, 1, M::DeleteWithHistory}},
         {QStringLiteral("delete 1")},
         1},
        {"deleted-in-the-history-while-kept-goes-once-the-account-follows-the-history",
         {{{a}, uvw}, {{a}, uvw, 1, 1, M::DeleteWithHistory}},
         {QStringLiteral("delete 1")},
         0},
        {"kept-mail-leaves-once-the-account-deletes-after-fetching",
         {{{a}, uvw}, {{a, b}, uvw, 1, 0, M::DeleteAfterFetch}},
         {QStringLiteral("fetch 2"), QStringLiteral("delete 1"), QStringLiteral("delete 2")},
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(run(row.checks), row.lastSteps);
        EXPECT_EQ(fetchedEntries(), row.entries);
    }
}
