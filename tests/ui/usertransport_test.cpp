// The questions of a connection on a worker thread (a send): a certificate
// that fails the checks, a login in clear.
#include <QTest>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "text/backgroundtask.h"
#include "ui/appcontext.h"
#include "ui/usertransport.h"

namespace {

class ThreadNotingPrompter : public ScriptedPrompter {
  public:
    Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override {
        threads << QThread::currentThread();
        return ScriptedPrompter::message(parent, text, title, icon, buttons);
    }
    QList<QThread*> threads;
};

// Runs the check as a background job while this thread keeps its events going.
Status onWorker(const std::function<Status()>& check) {
    Status checked = Status::failure({.kind = Error::Kind::NotConnected});
    BackgroundTask task;
    EXPECT_TRUE(task.start([&](BackgroundTask::Job&) { checked = check(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !task.isRunning(); }, 10000));
    return checked;
}

} // namespace

TEST(UserTransport, aWorkersQuestionIsAskedOnTheWindowThreadAndItsYesIsKeptForTheUserOnly) {
    struct Row {
        const char* name;
        std::function<Status(const AppContext&)> check;
        QString question; // the start of the text
        const char* file; // in the data folder
        QByteArray kept;
    };
    const Row rows[] = {
        {"untrusted-certificate",
         [](const AppContext& c) {
             return UserCertificateTrust(c).check(QStringLiteral("mail.example.jp"), QSslCertificate(),
                                                  {QSslError(QSslError::SelfSignedCertificate)});
         },
         QStringLiteral("サーバー「mail.example.jp」の証明書を確認できません"), "trusted-certificates",
         "mail.example.jp " + CertificateTrust::fingerprint(QSslCertificate()).toLatin1() + '\n'},
        {"login-in-clear",
         [](const AppContext& c) {
             return UserTlsPolicy(c).allowClearLogin(QStringLiteral("smtp mail.example.jp:25"),
                                                     QStringLiteral("mail.example.jp"));
         },
         QStringLiteral(
             "サーバー「mail.example.jp」は暗号化に対応していません。パスワードが暗号化されずに送られ"
             "ます。続けますか？"),
         "server-tls", "smtp mail.example.jp:25 clear\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempFolder folder;
        AppContext context(AppPaths(folder.path()), folder.path());
        ASSERT_TRUE(context.paths.ensureLayout().ok());
        ThreadNotingPrompter prompter;
        context.prompter = &prompter;

        prompter.answers = {Prompter::Answer::No};
        EXPECT_FALSE(onWorker([&] { return row.check(context); }).ok());
        prompter.answers = {Prompter::Answer::Yes};
        EXPECT_TRUE(onWorker([&] { return row.check(context); }).ok());
        ASSERT_EQ(prompter.shown.size(), 2);
        EXPECT_TRUE(prompter.shown[1].text.startsWith(row.question)) << prompter.shown[1].text.toStdString();
        EXPECT_EQ(prompter.shown[1].title, QStringLiteral("確認"));
        EXPECT_EQ(prompter.shown[1].icon, Prompter::Icon::Warning);
        EXPECT_EQ(prompter.shown[1].buttons, Prompter::Buttons::YesNo);
        EXPECT_EQ(prompter.threads, QList<QThread*>({QThread::currentThread(), QThread::currentThread()}));

        const QString file = context.paths.dataFile(QString::fromLatin1(row.file));
        EXPECT_EQ(ReadBytes(file), row.kept);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(file).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
}

// A closing window cancels its job: a question still waiting for the window
// thread is taken as a No, and never shown.
TEST(UserTransport, aCancelledJobsQuestionIsANoAndNeverShown) {
    TempFolder folder;
    AppContext context(AppPaths(folder.path()), folder.path());
    ASSERT_TRUE(context.paths.ensureLayout().ok());
    ScriptedPrompter prompter;
    context.prompter = &prompter;
    std::optional<Status> allowed;
    std::atomic<bool> started = false;
    {
        BackgroundTask task;
        ASSERT_TRUE(task.start([&](BackgroundTask::Job&) {
            started = true;
            allowed = UserTlsPolicy(context).allowClearLogin(QStringLiteral("pop3 mail.example.jp:110"),
                                                             QStringLiteral("mail.example.jp"));
        }));
        while (!started)
            QThread::yieldCurrentThread();
    } // this thread handles no events meanwhile, as a closing window's does
    ASSERT_TRUE(allowed.has_value());
    EXPECT_FALSE(allowed->ok());
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompter.shown.isEmpty());
}
