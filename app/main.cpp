#include <QApplication>
#include <QDesktopServices>
#include <QDir>

#include "app/program.h"
#include "app/qttranslations.h"
#include "app/singleinstance.h"
#include "pageview/pageviewloader.h"
#include "settings/desktopkeyring.h"
#include "transport/maillibraries.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/qtprompter.h"

int main(int argc, char* argv[]) {
    const MailLibraries mailLibraries;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));
    QApplication::setQuitOnLastWindowClosed(false);
    (void)InstallQtJapanese(app);
    Program::useDesignFont();

    QtPrompter qtPrompter;
    Prompter& prompter = qtPrompter;
    AppContext context{AppPaths(QCoreApplication::applicationDirPath()), QDir::currentPath()};
    context.prompter = &prompter;
    context.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    context.pageModule = PageViewLoader::modulePathBesideProgram();
    const DesktopKeyring keyring(&QDBusConnection::sessionBus);
    context.secrets = &keyring;

    const SingleInstance instance(context.paths.applicationFolder());
    if (!instance.acquired()) {
        prompter.message(nullptr,
                         QStringLiteral("Fennick はこのフォルダで既に起動しています。\n%1")
                             .arg(context.paths.applicationFolder()),
                         QStringLiteral("Fennick"), Prompter::Icon::Warning);
        return 1;
    }
    // A user who deleted one of the folders should not be stuck: put back
    // whatever is missing, never touching what is there.
    if (Status s = context.paths.ensureLayout(); !s)
        prompter.message(nullptr, ErrorText(s.error()), QStringLiteral("Fennick"), Prompter::Icon::Warning);

    Program program(context);
    program.start();
    return app.exec();
}
