#pragma once

#include <QAbstractTableModel>

#include "store/mailrecord.h"

// The rows of the history list: Subject, HTML/TEXT, From, Date. A model
// rather than one widget item per row, so 32767 rows appear at once.
class MailListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<MailListColumns> rows);
    void clear() { setRows({}); }
    const MailListColumns& row(int i) const { return rows_.at(i); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QList<MailListColumns> rows_;
};
