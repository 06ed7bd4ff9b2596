// The program, driven to one stage of its work and then closed: the quitting
// test measures how long the process outlives its main window, and hears
// "ended" once the program and its windows are gone (their destructors ran).
//   quit_child <stage> <application folder> [<POP3 server>]
// Stages: check, send and reply (each to a server of its own that stalls),
// certificate (a POP3 server whose certificate is put to the user),
// plaintext (a POP3 server in clear, whose login is put to the user) and
// import (a large mbox on its way into the received history).
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/program.h"
#include "compose/backform.h"
#include "compose/writeform.h"
#include "history/replydraft.h"
#include "history/tyakuform.h"
#include "tests/support/scriptedserver.h"
#include "transport/maillibraries.h"
#include "ui/appcontext.h"
#include "ui/qtprompter.h"

namespace {

using S = ScriptedServer;

const S::Script kStalledSmtp{S::send("220 ready"), S::expect("EHLO"), S::send("250 ok"),
                             S::expect("MAIL FROM"), S::silent(60000)};

// Picks the mbox to import as a user would in the file dialog.
class ImportingPrompter : public QtPrompter {
  public:
    explicit ImportingPrompter(QString mbox) : mbox_(std::move(mbox)) {}
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return mbox_; }

  private:
    QString mbox_;
};

// Enough mail that its import is still going when the window closes.
bool writeLargeMbox(const QString& path) {
    QFile mbox(path);
    if (!mbox.open(QIODevice::WriteOnly))
        return false;
    const QByteArray body = QByteArray("A line of a long mail to import.\n").repeated(200);
    for (int i = 0; i < 5000; ++i)
        if (mbox.write("From a@example.jp Mon Dec  7 09:00:00 2026\nFrom: a@example.jp\nSubject: mail " +
                       QByteArray::number(i) + "\n\n" + body + "\n") < 0)
            return false;
    return true;
}

// The program at `stage` until its main window closes and it is gone.
int runStage(QApplication& app, const QByteArray& stage, int argc, char** argv) {
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString mbox = folder + QStringLiteral("/large.mbox");
    if (stage == "import" && !writeLargeMbox(mbox))
        return 2;
    ImportingPrompter prompter(mbox);
    AppContext context{AppPaths(folder), folder};
    context.prompter = &prompter;
    if (!context.paths.ensureLayout())
        return 2;
    QFile account(context.paths.accountFile());
    if (!account.open(QIODevice::WriteOnly) || account.write("[EXEINI]\r\nNAME=u\r\nNAME2=p\r\n") < 0)
        return 2;
    account.close();

    S server({stage == "check"       ? S::Script{S::send("+OK ready"), S::expect("CAPA"), S::silent(60000)}
              : stage == "plaintext" ? S::Script{S::send("+OK ready"), S::expect("CAPA"), S::send("+OK"),
                                                 S::send("USER"), S::send("."), S::silent(60000)}
                                     : kStalledSmtp});
    Program program(context);
    program.start();
    context.settings.servers.Pop3Server = argc > 3 ? QString::fromLocal8Bit(argv[3]) : server.address();
    context.settings.servers.SmtpServer = server.address();
    context.settings.servers.MailAddress = QStringLiteral("me@example.jp");

    std::function<bool()> reached;
    if (stage == "send") {
        WriteForm* w = program.windows().openCompose();
        w->ToText->setText(QStringLiteral("to@example.jp"));
        w->SubjectText->setText(QStringLiteral("件名"));
        w->Command1_Click();
        reached = [&server] { return server.received().size() >= 2; };
    } else if (stage == "reply") {
        program.windows().openReply(
            {QStringLiteral("Re:  件名"), QStringLiteral("to@example.jp"), QStringLiteral("本文"), {}, {}});
        program.windows().replyWindow()->Command2_Click();
        reached = [&server] { return server.received().size() >= 2; };
    } else if (stage == "import") {
        program.windows().openHistory(HistoryMode::Received);
        QAction* importMbox =
            program.windows().historyWindow()->findChild<QAction*>(QStringLiteral("mimportmbox"));
        if (!importMbox)
            return 2;
        importMbox->trigger();
        reached = [&program] {
            const QLabel* progress =
                program.windows().historyWindow()->findChild<QLabel*>(QStringLiteral("exchangeProgress"));
            return progress && progress->text().startsWith(QStringLiteral("取り込み中"));
        };
    } else if (stage == "check") {
        program.mainWindow().Label2_Click();
        reached = [&server] { return !server.received().isEmpty(); };
    } else {
        program.mainWindow().Label2_Click();
        reached = [] { return QApplication::activeModalWidget() != nullptr; };
    }
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!reached())
            return;
        poll.stop();
        std::printf("closing\n");
        std::fflush(stdout);
        program.mainWindow().close();
    });
    poll.start(20);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const MailLibraries mailLibraries;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const int code = runStage(app, argv[1], argc, argv);
    std::printf("ended\n");
    std::fflush(stdout);
    return code;
}
