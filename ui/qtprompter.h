#pragma once

#include "ui/prompter.h"

// The prompter of the running program: Qt's own dialogs.
class QtPrompter : public Prompter {
  public:
    Answer message(QWidget* parent, const QString& text, const QString& title, Icon icon,
                   Buttons buttons) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& folder,
                         const QString& filter) override;
    QString folderName(QWidget* parent, const QString& title, const QString& folder) override;
    bool choosePrinter(QWidget* parent, QPrinter& printer, bool selectionAvailable) override;
};
