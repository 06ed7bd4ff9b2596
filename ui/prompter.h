#pragma once

#include <QString>

class QPrinter;
class QWidget;

// Everything that blocks on the user: message boxes, file dialogs and the
// print dialog. Windows
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
    // Asks before overwriting an existing file.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                                 const QString& filter) = 0;
    // An existing folder; empty when the user cancelled.
    virtual QString folderName(QWidget* parent, const QString& title, const QString& folder) = 0;
    // Sets up the printer (which printer, copies, range); false when the user
    // cancelled. The selection option is offered only when there is one.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, bool selectionAvailable) = 0;
};
