#pragma once

#include <QList>
#include <QStringList>
#include <functional>

#include "ui/prompter.h"

// Records every message box and answers from a script (default: OK / Yes).
class ScriptedPrompter : public Prompter {
  public:
    struct Shown {
        QString text;
        QString title;
        Icon icon;
        Buttons buttons;
    };

    Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override;
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override;
    QString folderName(QWidget*, const QString&, const QString&) override;
    bool choosePrinter(QWidget*, QPrinter& printer, bool selectionAvailable) override;

    QList<Shown> shown;
    QList<Answer> answers;   // taken in order; when empty, OK or Yes
    QStringList fileAnswers; // for the file and folder dialogs; when empty, cancelled
    QStringList fileFilters; // the filter each file dialog was given
    // For the print dialog: sets up the printer and says whether to print;
    // when unset, cancelled. Whether the selection option was offered is kept.
    std::function<bool(QPrinter&)> printerAnswer;
    QList<bool> printSelectionOffered;
};
