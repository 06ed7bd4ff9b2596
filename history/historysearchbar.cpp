#include "history/historysearchbar.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "search/historysearch.h"
#include "search/searchtext.h"
#include "store/recordfile.h"

namespace {

QString indexingText(int done, int total) {
    return QStringLiteral("索引を作成中 %1 / %2").arg(done).arg(total);
}

} // namespace

HistorySearchBar::HistorySearchBar(QWidget* parent, std::function<void(std::optional<QList<int>>)> showOnly)
    : QWidget(parent), showOnly_(std::move(showOnly)) {
    setObjectName(QStringLiteral("historySearchBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("searchStatus"));
    // Room for the longest status, the index build's near the end of a full
    // history, taken once: the menu bar places its corner only when it is
    // resized, so a bar that grew with its status would push the box off.
    status_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    status_->setFixedWidth(status_->fontMetrics().horizontalAdvance(
        indexingText(RecordFile::kMaxRecords, RecordFile::kMaxRecords)));
    box_ = new QLineEdit(this);
    box_->setObjectName(QStringLiteral("searchBox"));
    box_->setPlaceholderText(QStringLiteral("履歴を検索（Ctrl+F）"));
    box_->setClearButtonEnabled(true);
    box_->setMinimumWidth(220);
    accountChoice_ = new QComboBox(this);
    accountChoice_->setObjectName(QStringLiteral("searchAccount"));
    accountChoice_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    accountChoice_->hide();
    layout->addWidget(status_);
    layout->addWidget(accountChoice_);
    layout->addWidget(box_);
    connect(accountChoice_, &QComboBox::activated, this, &HistorySearchBar::searchNow);
    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(kTypingPauseMs);
    connect(typing_, &QTimer::timeout, this, &HistorySearchBar::searchNow);
    connect(box_, &QLineEdit::textEdited, typing_, qOverload<>(&QTimer::start));
    connect(box_, &QLineEdit::returnPressed, this, &HistorySearchBar::searchNow);
    // The clear button changes the text without an edit of the user's.
    connect(box_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.isEmpty())
            searchNow();
    });
}

HistorySearchBar::~HistorySearchBar() = default;

void HistorySearchBar::addTo(QMenuBar* menuBar) {
    // The access keys F and E are the editor's menus'; Ctrl+F is no
    // shortcut of the editor's or of the text area's.
    menu_ = menuBar->addMenu(QStringLiteral("検索(&S)"));
    menu_->setObjectName(QStringLiteral("msearch"));
    QAction* find = menu_->addAction(QStringLiteral("履歴を検索"));
    find->setObjectName(QStringLiteral("mhistorysearch"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, &HistorySearchBar::focusBox);
    QAction* all = menu_->addAction(QStringLiteral("すべて表示"));
    all->setObjectName(QStringLiteral("mhistoryall"));
    connect(all, &QAction::triggered, this, &HistorySearchBar::clear);
    menuBar->setCornerWidget(this, Qt::TopRightCorner);
}

void HistorySearchBar::setHistory(const QString& recordFile, const QString& indexPath) {
    typing_->stop();
    box_->blockSignals(true);
    box_->clear();
    box_->blockSignals(false);
    shownQuery_.clear();
    shownAccount_.reset();
    scanText_.clear();
    indexText_.clear();
    showStatus();
    if (!search_ || search_->recordFile() != recordFile) {
        HistorySearch::Listener listener;
        listener.found = [this](const QString& query, const QList<int>& records) { found(query, records); };
        listener.scanning = [this](int done, int total) { showScanning(done, total); };
        listener.indexing = [this](int done, int total) { showIndexing(done, total); };
        listener.indexReady = [this] {
            indexText_.clear();
            showStatus();
        };
        search_.reset(); // its workers end before the new ones start
        search_ = std::make_unique<HistorySearch>(recordFile, indexPath, listener);
    }
    search_->refresh();
}

void HistorySearchBar::setAccounts(const QList<MailAccounts::Narrowing>& accounts, const QStringList& names) {
    accounts_ = accounts;
    accountChoice_->clear();
    accountChoice_->addItem(QStringLiteral("すべてのアカウント"));
    accountChoice_->addItems(names.mid(0, accounts.size()));
    accountChoice_->setVisible(accounts.size() > 1);
    searchNow();
}

std::optional<MailAccounts::Narrowing> HistorySearchBar::chosenAccount() const {
    const int chosen = accountChoice_->currentIndex() - 1;
    if (chosen < 0 || chosen >= accounts_.size() || accounts_.size() < 2)
        return std::nullopt;
    return accounts_[chosen];
}

void HistorySearchBar::historyChanged() {
    if (search_)
        search_->refresh();
}

void HistorySearchBar::searchNow() {
    typing_->stop();
    const QString query = box_->text();
    const std::optional<MailAccounts::Narrowing> account = chosenAccount();
    if (SearchText::words(query).isEmpty() && !account) {
        shownQuery_.clear();
        shownAccount_.reset();
        scanText_.clear();
        showStatus();
        showOnly_(std::nullopt);
        return;
    }
    if ((query == shownQuery_ && account == shownAccount_) || !search_)
        return;
    scanText_ = QStringLiteral("検索中");
    showStatus();
    search_->find(query, account);
}

void HistorySearchBar::found(const QString& query, const QList<int>& records) {
    if (query != box_->text())
        return; // typed on meanwhile: the newer query answers
    shownQuery_ = query;
    shownAccount_ = chosenAccount();
    scanText_.clear();
    showStatus();
    showOnly_(records);
}

void HistorySearchBar::clear() {
    box_->clear(); // searches for nothing: the whole list
}

void HistorySearchBar::focusBox() {
    box_->setFocus(Qt::ShortcutFocusReason);
    box_->selectAll();
}

void HistorySearchBar::showScanning(int done, int total) {
    scanText_ = done < total ? QStringLiteral("検索中 %1 / %2").arg(done).arg(total) : QString();
    showStatus();
}

void HistorySearchBar::showIndexing(int done, int total) {
    indexText_ = done < total ? indexingText(done, total) : QString();
    showStatus();
}

void HistorySearchBar::showStatus() {
    status_->setText(!scanText_.isEmpty() ? scanText_ : indexText_);
}
