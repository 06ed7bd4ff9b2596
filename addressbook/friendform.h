#pragma once

#include <optional>

#include "addressbook/addressbook.h"
#include "ui/designedwindow.h"

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
struct AppContext;

// The address book window: register, list, select and delete
// correspondents; the business card; exchange with other programs from the
// list's context menu.
class FriendForm : public DesignedWindow {
    Q_OBJECT
  public:
    explicit FriendForm(AppContext& context);

    void Form_Load();
    void Command2_Click();  // reload the list
    void Command3_Click();  // 登録
    void Command4_Click();  // 削除
    void Command1_Click();  // 貼付
    void Command38_Click(); // 名刺挿入
    void MailListView_MouseDown();
    void ExportVCard();
    void ImportContacts();

    // Puts `address` into the address box, as the history window's register
    // action does; a text longer than the record holds is refused with a message.
    void presetAddress(const QString& address);

    std::optional<int> currentRecord() const { return currentRecord_; }

    QLineEdit* Text4;
    QPushButton* Command1;
    QLineEdit* Text2;
    QLineEdit* Text50;
    QPushButton* Command38;
    QPushButton* Command3;
    QPushButton* Command4;
    QLineEdit* Text3;
    QLabel* Label1[4]; // the box captions, by the design's index
    QTreeWidget* MailListView;
    QPlainTextEdit* Text5;
    QFrame* Picture1;
    QLabel* Label7;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    int selectedRow() const; // 1-based; 0 when no row is selected
    void showEntry(const AddressEntry& entry);
    void fillAddressBox(const Result<QString>& text);
    void tell(const QString& text);
    void showListMenu(const QPoint& at);

    AppContext& context_;
    AddressBook book_;
    // The record last registered or chosen for deletion.
    std::optional<int> currentRecord_;
};
