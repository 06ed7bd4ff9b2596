#pragma once

#include <QTreeView>

// The history list. It says when the keyboard moved the current row, so the
// window can show that mail just as a click does: the mail on screen is the
// one the row buttons act on.
class HistoryListView : public QTreeView {
    Q_OBJECT
  public:
    using QTreeView::QTreeView;

  Q_SIGNALS:
    void currentMovedByKeyboard();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};
