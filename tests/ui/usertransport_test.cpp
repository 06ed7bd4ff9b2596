// The certificate question of a connection on a worker thread (a send).
#include <QSignalSpy>
#include <QThread>
#include <gtest/gtest.h>

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
Status checkOnWorker(const CertificateTrust& trust) {
    Status checked = Status::failure(QStringLiteral("never ran"));
    QThread* worker = QThread::create([&] {
        checked = trust.check(QStringLiteral("mail.example.jp"), QSslCertificate(),
                              {QSslError(QSslError::SelfSignedCertificate)});
    });
    QSignalSpy finished(worker, &QThread::finished);
    worker->start();
    EXPECT_TRUE(finished.wait(10000));
    worker->wait();
    delete worker;
    return checked;
}

} // namespace

TEST(UserCertificateTrust, aWorkersQuestionIsAskedOnTheWindowThreadAndItsAnswerHolds) {
    TempFolder folder;
    AppContext context(AppPaths(folder.path()), folder.path());
    ASSERT_TRUE(context.paths.ensureLayout().ok());
    ThreadNotingPrompter prompter;
    context.prompter = &prompter;
    const CertificateTrust trust = UserCertificateTrust(context);

    prompter.answers = {Prompter::Answer::No};
    const Status refused = checkOnWorker(trust);
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().contains(QStringLiteral("自己署名の証明書です。")))
        << refused.error().toStdString();

    prompter.answers = {Prompter::Answer::Yes};
    EXPECT_TRUE(checkOnWorker(trust).ok());
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown[1].title, QStringLiteral("確認"));
    EXPECT_EQ(prompter.shown[1].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(prompter.threads, QList<QThread*>({QThread::currentThread(), QThread::currentThread()}));
    EXPECT_TRUE(
        trust.isTrusted(QStringLiteral("mail.example.jp"), CertificateTrust::fingerprint(QSslCertificate())));
}
