#include "history/maillistmodel.h"

#include <QColor>
#include <QFont>
#include <algorithm>

#include "ui/verdicttexts.h"

namespace {

constexpr int kFromColumn = 2;

QColor markColour(SenderVerdict::Standing standing) {
    switch (standing) {
    case SenderVerdict::Standing::Authenticated:
        return QColor(0, 150, 70);
    case SenderVerdict::Standing::NotAuthenticated:
        return QColor(170, 170, 170);
    case SenderVerdict::Standing::Suspicious:
        return QColor(210, 0, 0);
    }
    return {};
}

} // namespace

void MailListModel::setRows(QList<MailListColumns> rows, QSet<int> unread) {
    beginResetModel();
    rows_ = std::move(rows);
    unread_ = std::move(unread);
    endResetModel();
}

void MailListModel::setUnread(const QList<int>& records, bool unread) {
    for (int n : records)
        if (unread)
            unread_.insert(n);
        else
            unread_.remove(n);
    // One mail shown marks one row; a view told of every row would look at every row.
    const qsizetype row = records.size() == 1 ? rowOf(records.first()) : -1;
    if (row >= 0)
        Q_EMIT dataChanged(index(int(row), 0), index(int(row), columnCount() - 1), {Qt::FontRole});
    else if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::FontRole});
}

void MailListModel::setFilter(std::optional<QList<int>> records) {
    beginResetModel();
    filter_ = std::move(records);
    if (filter_)
        filter_->removeIf([this](int n) { return n < 1 || n > rows_.size(); });
    endResetModel();
}

void MailListModel::recordDeleted(int p) {
    if (!filter_)
        return;
    beginResetModel();
    QList<int> moved;
    for (int n : std::as_const(*filter_))
        if (n != p)
            moved.append(n < p ? n : n - 1);
    filter_ = moved;
    endResetModel();
}

qsizetype MailListModel::rowOf(int record) const {
    if (!filter_)
        return record >= 1 && record <= rows_.size() ? record - 1 : -1;
    const auto at = std::lower_bound(filter_->cbegin(), filter_->cend(), record);
    return at != filter_->cend() && *at == record ? at - filter_->cbegin() : -1;
}

void MailListModel::setMarks(QHash<int, SenderVerdict::Standing> marks) {
    marks_ = std::move(marks);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, kFromColumn), index(rowCount() - 1, kFromColumn));
}

int MailListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(filter_ ? filter_->size() : rows_.size());
}

int MailListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 4;
}

QVariant MailListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || recordAt(index.row()) > rows_.size())
        return {};
    if (role == Qt::FontRole && unread_.contains(recordAt(index.row()))) {
        QFont bold; // only the weight is set: the view's font gives the rest
        bold.setBold(true);
        return bold;
    }
    if ((role == Qt::DecorationRole || role == Qt::ToolTipRole) && index.column() == kFromColumn) {
        const auto mark = marks_.constFind(recordAt(index.row()));
        if (mark == marks_.cend())
            return {};
        return role == Qt::DecorationRole
                   ? QVariant(markColour(*mark))
                   : QVariant(VerdictMarkText(*mark) + QLatin1Char(' ') + VerdictMarkHelp(*mark));
    }
    if (role != Qt::DisplayRole)
        return {};
    const MailListColumns& r = row(index.row());
    switch (index.column()) {
    case 0:
        return r.subject;
    case 1:
        return r.kind;
    case 2:
        return r.party;
    default:
        return r.date;
    }
}

QVariant MailListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QString headers[4] = {QStringLiteral("Subject"), QStringLiteral("HTML/TEXT"),
                                       QStringLiteral("From"), QStringLiteral("Date")};
    return section >= 0 && section < 4 ? QVariant(headers[section]) : QVariant();
}
