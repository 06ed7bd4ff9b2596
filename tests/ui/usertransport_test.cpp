// The questions of a connection on a worker thread (a send): a certificate
// that fails the checks, a login in clear.
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
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

// Runs the check on a thread of its own while this one keeps its events going.
MailStatus onWorker(const std::function<MailStatus()>& check) {
    MailStatus checked = MailStatus::failure({.kind = MailError::Kind::NotConnected});
    QThread* worker = QThread::create([&] { checked = check(); });
    QSignalSpy finished(worker, &QThread::finished);
    worker->start();
    EXPECT_TRUE(finished.wait(10000));
    worker->wait();
    delete worker;
    return checked;
}

} // namespace

TEST(UserTransport, aWorkersQuestionIsAskedOnTheWindowThreadAndItsYesIsKeptForTheUserOnly) {
    struct Row {
        const char* name;
        std::function<MailStatus(const AppContext&)> check;
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

// A window that closes waits for its worker: a worker asked to stop while
// its question waits for the window thread takes it as a No, and the
// question is never shown.
TEST(UserTransport, aWorkerAskedToStopWithdrawsItsQuestion) {
    TempFolder folder;
    AppContext context(AppPaths(folder.path()), folder.path());
    ASSERT_TRUE(context.paths.ensureLayout().ok());
    ScriptedPrompter prompter;
    context.prompter = &prompter;
    MailStatus allowed;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        allowed = UserTlsPolicy(context).allowClearLogin(QStringLiteral("pop3 mail.example.jp:110"),
                                                         QStringLiteral("mail.example.jp"));
    }));
    worker->start();
    worker->requestInterruption(); // this thread handles no events meanwhile, as a closing window waits
    ASSERT_TRUE(worker->wait(5000)) << "the worker still waits for an answer";
    EXPECT_FALSE(allowed.ok());
    QCoreApplication::processEvents(); // the question queued here arrives now
    EXPECT_TRUE(prompter.shown.isEmpty());
}
