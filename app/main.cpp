#include <QApplication>
#include <QMessageBox>

#include "app/mainform.h"
#include "store/apppaths.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Fennick"));

    // A user who deleted one of the folders should not be stuck: put back
    // whatever is missing, never touching what is there.
    const AppPaths paths(QCoreApplication::applicationDirPath());
    if (Status s = paths.ensureLayout(); !s)
        QMessageBox::warning(nullptr, QStringLiteral("Fennick"), s.error());

    MainForm form;
    form.show();
    return app.exec();
}
