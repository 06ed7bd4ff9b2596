#pragma once

#include <QMainWindow>

// The launcher window. For now only its frame; the menu labels come with
// the windows they open.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(QWidget* parent = nullptr);
};
