#pragma once

#include "compose/attachmentrow.h"
#include "compose/mailsend.h"
#include "compose/senderchoice.h"
#include "compose/sendlock.h"
#include "text/backgroundtask.h"
#include "ui/designedwindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextEdit;
struct AppContext;

// The reply window ("返事を出す"): recipient, subject, attachments and body of
// an answer to the mail the history window shows. It keeps no sent record.
// Sending runs on a worker thread, the fields as they went out meanwhile; a
// reply that fails stays in the window.
class BackForm : public DesignedWindow {
    Q_OBJECT
  public:
    explicit BackForm(AppContext& context);
    ~BackForm() override;

    static constexpr int kOpenWidth = 7400, kOpenHeight = 7600;

    // Fills the window for an answer; `body` is also the answered mail's
    // text that "本文に貼付" puts below the clipboard's. Refused, saying so,
    // while a reply is being sent.
    bool fill(const QString& subject, const QString& to, const QString& body);
    // The reply goes out from the account the answered mail came to (the
    // first when it is gone), unless another is chosen.
    void answerFrom(const QString& accountKey);
    // A red line above the body warning of the answered mail's sender; empty hides it.
    void showWarning(const QString& text);

    void Form_Load();
    void Form_Resize() override;
    void Form_Unload();
    void Command2_Click(); // send
    void Command3_Click(); // close without sending
    void Command4_Click(); // clipboard text above the answered mail
    void AttachCommand_Click();
    void Command9_Click();  // add an attachment
    void Command10_Click(); // drop all attachments

    bool sending() const { return sending_.isRunning(); }

    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QLabel* Label2[4] = {}; // 2 names the From choice
    QComboBox* FromCombo;
    QLabel* VerdictBand;
    QLineEdit* ToText;
    QLineEdit* SubjectText;
    QLineEdit* AttachText;
    QPushButton* AttachCommand;
    QPushButton* Command9;
    QPushButton* Command10;
    QListWidget* List2;
    QTextEdit* BodyText;

  Q_SIGNALS:
    // A send ended and its outcome is shown.
    void sendFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void showSendReport(const SendReport& report);

    AppContext& context_;
    QString answeredBody_;
    AttachmentRow attachmentRow_;
    BackgroundTask sending_; // the send, off the window thread
    SendLock sendLock_;
    SenderChoice senderChoice_;
};
