#pragma once

#include <QList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "search/mailaccounts.h"

class HistorySearch;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QTimer;

// The search box of the history window, in the corner of its menu bar, with
// its menu 「検索」: it narrows the list to the mails holding every word
// typed, and says what the search is doing (reading the records while the
// index is not ready, building the index). The search itself runs on the
// workers of HistorySearch; the window stays live.
class HistorySearchBar : public QWidget {
    Q_OBJECT
  public:
    // `showOnly` gets the records to list (none: all of them).
    HistorySearchBar(QWidget* parent, std::function<void(std::optional<QList<int>>)> showOnly);
    ~HistorySearchBar() override;

    // Adds the menu 「検索」 to the window's menu bar and sits in its corner.
    void addTo(class QMenuBar* menuBar);

    // The accounts mail may have come to: with more than one, a choice
    // beside the box narrows the list to one account's mail.
    void setAccounts(const QList<MailAccounts::Narrowing>& accounts, const QStringList& names);
    // The history shown: its record file and index. Empties the box.
    void setHistory(const QString& recordFile, const QString& indexPath);
    // The file grew or lost a mail: the index follows in the background.
    void historyChanged();
    // Runs the query typed now, without waiting for more typing.
    void searchNow();
    void clear();
    void focusBox();
    // What the search reports: a query reading the records, the index being
    // built (nothing shows once done reaches total).
    void showScanning(int done, int total);
    void showIndexing(int done, int total);

    QLineEdit* box() const { return box_; }
    QComboBox* accountChoice() const { return accountChoice_; }
    QLabel* status() const { return status_; }
    QMenu* menu() const { return menu_; }
    // The query whose answer the list shows (empty: the whole list).
    const QString& shownQuery() const { return shownQuery_; }

    // Typing waits this long for more before it searches.
    static constexpr int kTypingPauseMs = 250;

  private:
    void found(const QString& query, const QList<int>& records);
    void showStatus();

    std::optional<MailAccounts::Narrowing> chosenAccount() const;

    std::function<void(std::optional<QList<int>>)> showOnly_;
    QList<MailAccounts::Narrowing> accounts_;
    QComboBox* accountChoice_;
    std::optional<MailAccounts::Narrowing> shownAccount_; // of the answer the list shows
    std::unique_ptr<HistorySearch> search_;
    QLineEdit* box_;
    QLabel* status_;
    QMenu* menu_ = nullptr;
    QTimer* typing_;
    QString shownQuery_;
    QString scanText_;  // the records being read for a query
    QString indexText_; // the index being built
};
