#pragma once

// history/: the history window on the received or sent mail: listing,
// showing, deleting and acting on mails, and the text editor.

#include <QHash>
#include <functional>
#include <optional>

#include "auth/senderverdict.h"
#include "history/historymode.h"
#include "history/maildetails.h"
#include "history/replydraft.h"
#include "ui/designedwindow.h"

class EditorMenus;
class HistoryExchange;
class HistorySearchBar;
class MailListModel;
class PageViewInterface;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTextEdit;
class QTreeView;
class UnreadMarks;
struct AppContext;
struct EditorState;

// The history window: the received or sent mail as a list, the clicked mail
// below it, and the buttons that act on it.
class TyakuForm : public DesignedWindow {
    Q_OBJECT
  public:
    TyakuForm(AppContext& context, EditorState& editor);

    void Form_Load();
    void Form_Resize() override;
    // Switches the window to a history and fills the list from its file.
    void OpenHistory(HistoryMode mode);
    void MailListView_Click();
    // Chooses the row of record `record` and shows its mail, as a click would.
    void showRecord(int record);
    void Command3_Click(); // delete one mail
    void Command6_Click(); // delete all mails (sent history)
    void Command2_Click(); // copy Text6
    void Command1_Click(); // Text Quick Save
    void Command4_Click(); // register the party in the address book
    void Command5_Click(); // reply
    // The list's menu (received history): the selected rows read or unread, every row read.
    void MarkRead_Click();
    void MarkUnread_Click();
    void MarkAllRead_Click();
    void Form_MouseMove();
    // The mail in the detail fields, as the message actions take it.
    MailDetails shownDetails() const;

    // The other windows the message actions hand the mail to; app/ wires them.
    std::function<void(const QString& party)> onRegisterSender;
    std::function<void(const ReplyDraft& draft)> onReply;
    // How many received mails are unread, each time the window changed or read the marks.
    std::function<void(int unread)> onUnreadCount;
    // The values of the last message received (the mail check's working fields).
    void showReceived(const QString& subject, const QString& sender, const QString& date, const QString& text,
                      const QString& rawSubject);

    HistoryMode historyMode() const { return mode_; }
    PageViewInterface* pageView() const { return page_; } // null until a page was shown
    int listHeightTwips() const;
    bool hasSelection() const { return selectedRow_.has_value(); }
    EditorMenus* editorMenus() const { return menus_; }
    HistorySearchBar* searchBar() const { return searchBar_; }
    QMenu* listMenu() const { return listMenu_; }
    HistoryExchange* exchange() const { return exchange_; }
    // The record numbers of the selected rows, in record order.
    QList<int> selectedRecords() const;
    // The design's positions start below the menu bar, this many pixels down.
    int clientTop() const { return designTop(); }

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QFrame* Picture1;
    QFrame* Picture2;
    QCheckBox* Check1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label4;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QPlainTextEdit* Text4;
    QLineEdit* Text6;
    QLineEdit* Text7;
    QLineEdit* Text8;
    QLineEdit* Text9;
    QLineEdit* Text10;
    // What is known of the shown mail's sender, one line above it; red for a warning.
    QLabel* VerdictBand;
    QTreeView* MailListView;
    QTextEdit* rtfEd;
    QStatusBar* StatusBar1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void showFields(const MailDetails& shown);
    void clearFields();
    void reloadList();
    bool ensurePageView(); // false, after saying why, when pages cannot be shown
    QWidget* pageArea() const;
    bool selectionMissing();
    bool takeSelection();
    void showTextArea();
    void showPageArea();
    void placeCopyControls();
    void selectHtmlMarkerInText10();
    void showCount();
    void showOnly(std::optional<QList<int>> records);
    void showListMenu(const QPoint& at);
    // Writes the marks of these records and shows them. Marks that cannot be
    // written are said to be so, unless `quietly` (a mail shown stays bold).
    void markRecords(const QList<int>& records, bool unread, bool quietly = false);
    // Applies `change` to the marks; how many mails of the file are unread
    // after it, or none when it failed.
    std::optional<int> changeMarks(const std::function<Status(UnreadMarks&)>& change, bool quietly = false);
    // The title counts the rows listed unread; the window tells of those of the file.
    void showUnreadCount(int inFile);
    void loadVerdicts();
    void showAccountChoice();
    void showVerdict(int record);
    // Makes room for the band above the shown text or page when it shows.
    void placeVerdictBand();

    AppContext& context_;
    EditorState& editor_;
    HistoryMode mode_ = HistoryMode::Received;
    QString caption_; // the title before its unread count
    MailListModel* model_;
    PageViewInterface* page_ = nullptr;
    EditorMenus* menus_;
    HistorySearchBar* searchBar_;
    HistoryExchange* exchange_;
    QLabel* exchangeProgress_;
    QMenu* listMenu_;
    // The record number a click on the list chose (0: a click that chose none); empty
    // until a click, and again after the row buttons used it.
    std::optional<int> selectedRow_;
    // What is known of each received mail's sender, by record number.
    QHash<int, SenderVerdict> verdicts_;
};
