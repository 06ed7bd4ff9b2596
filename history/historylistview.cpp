#include "history/historylistview.h"

void HistoryListView::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    if (currentIndex().isValid() && currentIndex().row() != before.row())
        Q_EMIT currentMovedByKeyboard();
}
