#pragma once

#include <QAbstractTableModel>
#include <QSet>

#include "auth/senderverdict.h"
#include "store/mailrecord.h"

#include <optional>

// The rows of the history list: Subject, HTML/TEXT, From, Date. A model
// rather than one widget item per row, so 32767 rows appear at once. A
// search narrows it to some records; each row keeps its record number.
// An unread mail's row is bold.
class MailListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    // The records in file order (record n is rows[n - 1]); a filter stays,
    // so a list reloaded after a deletion keeps showing what was found.
    void setRows(QList<MailListColumns> rows, QSet<int> unread = {});
    void clear() { setRows({}); }
    // The records marked unread (or read) now.
    void setUnread(const QList<int>& records, bool unread);
    bool isUnread(int record) const { return unread_.contains(record); }
    int unreadCount() const { return int(unread_.size()); }
    QList<int> unreadRecords() const { return unread_.values(); }
    // What is known of each record's sender, by record number: a coloured
    // mark beside the From column, its meaning as hover help.
    void setMarks(QHash<int, SenderVerdict::Standing> marks);
    // Shows only these records (in record order); none: every record.
    void setFilter(std::optional<QList<int>> records);
    bool isFiltered() const { return filter_.has_value(); }
    // Record p was deleted: it leaves the filter, and the records after it
    // move up by one, as the file's rebuild renumbers them.
    void recordDeleted(int p);
    // The record number shown in row i (from 0).
    int recordAt(int i) const { return filter_ ? filter_->at(i) : i + 1; }
    const MailListColumns& row(int i) const { return rows_.at(recordAt(i) - 1); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    qsizetype rowOf(int record) const; // -1: not listed

    QList<MailListColumns> rows_;
    std::optional<QList<int>> filter_; // record numbers, each within rows_
    QSet<int> unread_;                 // record numbers
    QHash<int, SenderVerdict::Standing> marks_;
};
