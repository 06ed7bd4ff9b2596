#pragma once

#include <QList>
#include <QStringList>

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

    QList<Shown> shown;
    QList<Answer> answers;   // taken in order; when empty, OK or Yes
    QStringList fileAnswers; // for the file dialogs; when empty, cancelled
};
