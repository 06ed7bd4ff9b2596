#include "tests/support/scriptedprompter.h"

Prompter::Answer ScriptedPrompter::message(QWidget*, const QString& text, const QString& title, Icon icon,
                                           Buttons buttons) {
    shown.append({text, title, icon, buttons});
    if (!answers.isEmpty())
        return answers.takeFirst();
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
}

QString ScriptedPrompter::openFileName(QWidget*, const QString&, const QString&, const QString& filter) {
    fileFilters.append(filter);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedPrompter::saveFileName(QWidget*, const QString&, const QString&, const QString& filter) {
    fileFilters.append(filter);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QString ScriptedPrompter::folderName(QWidget*, const QString&, const QString&) {
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

bool ScriptedPrompter::choosePrinter(QWidget*, QPrinter& printer, bool selectionAvailable) {
    printSelectionOffered.append(selectionAvailable);
    return printerAnswer && printerAnswer(printer);
}
