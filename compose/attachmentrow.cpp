#include "compose/attachmentrow.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "compose/attachmentlist.h"
#include "ui/prompter.h"

void AttachmentRow::choose(QWidget* window, Prompter& prompter) const {
    addButton->setEnabled(true);
    const QString file = prompter.openFileName(window, chooseButton->text(), QString(), QString());
    if (!file.isEmpty()) {
        listText->setText(file);
        listBox->addItem(file);
    }
    chooseButton->setEnabled(false);
}

void AttachmentRow::add(QWidget* window, Prompter& prompter) const {
    listBox->show();
    if (listText->text().isEmpty())
        return;
    const QString file = prompter.openFileName(window, addButton->text(), QString(), QString());
    if (file.isEmpty())
        return;
    listText->setText(AttachmentList::append(listText->text(), file));
    listBox->addItem(file);
}

void AttachmentRow::drop() const {
    listText->clear();
    listBox->clear();
    listBox->hide();
    addButton->setEnabled(false);
    dropButton->setEnabled(false);
    chooseButton->setEnabled(true);
}
