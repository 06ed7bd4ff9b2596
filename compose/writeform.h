#pragma once

#include <QList>
#include <QUrl>
#include <functional>

#include "compose/addresslist.h"
#include "compose/attachmentrow.h"
#include "compose/mailsend.h"
#include "compose/senderchoice.h"
#include "compose/sendlock.h"
#include "compose/sendtoallround.h"
#include "text/backgroundtask.h"
#include "ui/designedwindow.h"

class PageViewInterface;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStatusBar;
struct AppContext;

// What the compose window needs from the windows around it.
struct WriteFormLinks {
    std::function<QString()> clockText; // the main window's clock, for the sent record's date
    std::function<void()> openHelp;     // the HTML help window, modeless
};

// The compose window ("新規作成"): recipient, subject, body and attachments
// in text mode, or dropped page files in HTML mode, and the address list
// in a right panel that comes into view when the window is widened.
// Sending runs on a worker thread; the window stays live meanwhile, its
// fields as they went out.
class WriteForm : public DesignedWindow {
    Q_OBJECT
  public:
    WriteForm(AppContext& context, WriteFormLinks links);
    ~WriteForm() override;

    static const QString kGreetings[8];
    static const QString kHtmlDropCaption;
    static constexpr int kOpenWidth = 6900, kWideWidth = 9700, kNarrowWidth = 7100, kHeight = 8200;

    void Form_Load();
    void Form_Resize() override;
    void Form_Unload();
    void Command1_Click();  // send
    void Command2_Click();  // HELP
    void Command3_Click();  // close without sending
    void Command4_Click();  // widen, address list from the address book
    void Command5_Click();  // clipboard to the end of the body
    void Command6_Click();  // narrow again
    void Command7_Click();  // clipboard to the recipient
    void Command9_Click();  // add an attachment
    void Command10_Click(); // drop all attachments
    void Command12_Click(); // HTML mode
    void Command13_Click(); // text mode
    void AttachCommand_Click();
    void Combo1_LostFocus();
    void List1_MouseDown();
    void Option1_Click();
    void Option2_Click();
    // A drop on the drop target: the first local file of the drop.
    void Label5_OLEDragDrop(const QList<QUrl>& urls);

    bool sending() const { return sending_.isRunning(); }
    bool htmlMode() const { return htmlMode_; }
    const QList<int>& addressRecordNumbers() const { return addressRecordNumbers_; }
    PageViewInterface* preview() const { return preview_; } // null until a file was dropped

    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command12;
    QPushButton* Command13;
    QFrame* Picture4;
    QLabel* Label5;
    QLabel* Label2[4] = {}; // 2 names the From choice
    QComboBox* FromCombo;
    QLineEdit* ToText;
    QLineEdit* SubjectText;
    QComboBox* Combo1;
    QPushButton* AttachCommand;
    QPushButton* Command9;
    QPushButton* Command10;
    QLineEdit* AttachText;
    QListWidget* List2;
    QPlainTextEdit* BodyText;
    QFrame* Picture3;
    QPlainTextEdit* Text14;
    QStatusBar* StatusBar1;
    QFrame* Picture6;
    QLabel* Label6;
    QListWidget* List3;
    QFrame* Picture5;
    QFrame* Picture1;
    QLabel* Label4[2] = {};
    QLineEdit* Text1;
    QListWidget* List1;
    QFrame* Frame1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QLabel* Label1[2] = {};
    QLineEdit* Text8;
    QLineEdit* Text9;

  Q_SIGNALS:
    // A send ended and its outcome is shown.
    void sendFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setOuterSize(int width, int height); // twips
    void fillAddressList(const Result<AddressList>& list);
    void paintList1(const QColor& color);
    void clearSendToAll();
    void showSenderChoice();
    bool dropTargetEvent(QEvent* event);
    void refreshPreview();
    void showPreview(const QString& file);
    SendRequest typedRequest() const;
    void showSendReport(const SendReport& report);

    AppContext& context_;
    WriteFormLinks links_;
    bool htmlMode_ = false;
    // A greeting was chosen or typed that the body has not yet been given.
    bool greetingPending_ = false;
    QSize outerTwips_; // the outer size asked for; the frame is known only once shown
    bool framed_ = false;
    QList<int> addressRecordNumbers_;
    AttachmentRow attachmentRow_;
    BackgroundTask sending_; // the send, off the window thread
    SendLock sendLock_;
    SendToAllRound sendToAllRound_;
    SenderChoice senderChoice_;
    int fromRowTwips_ = 0; // the From choice's row, when it shows, pushes the fields below it down
    PageViewInterface* preview_ = nullptr;
};
