#include "app/mainform.h"

MainForm::MainForm(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Fennick Ver 1.0"));
    resize(480, 360);
}
