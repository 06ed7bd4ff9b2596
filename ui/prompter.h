#pragma once

#include <QString>

class QWidget;

// Everything that blocks on the user: message boxes and file dialogs. Windows
// ask through this, never through QMessageBox or QFileDialog directly, so
// that tests can answer.
class Prompter {
  public:
    enum class Icon { None, Information, Warning, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Prompter() = default;

    virtual Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon = Icon::None,
                           Buttons buttons = Buttons::Ok) = 0;
    // An empty result means the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
};
