#pragma once

class Prompter;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

// The attachment row that the compose and reply windows share: a button for
// the first file, one to add more, one to drop them all, the list as text
// and a list box showing the chosen paths.
struct AttachmentRow {
    QPushButton* chooseButton = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* dropButton = nullptr;
    QLineEdit* listText = nullptr;
    QListWidget* listBox = nullptr;

    // The first file replaces the list; the button is spent even when the
    // dialog was cancelled.
    void choose(QWidget* window, Prompter& prompter) const;
    // A further file is appended; with no first file it only shows the list box.
    void add(QWidget* window, Prompter& prompter) const;
    // Empties the list; only the first-file button stays usable.
    void drop() const;
};
