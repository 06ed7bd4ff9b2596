#pragma once

// app/: start-up, the main window and the wiring of the windows; nothing
// below this folder includes it.

#include <QPointer>
#include <functional>
#include <optional>

#include "history/editorstate.h"
#include "history/historymode.h"
#include "settings/autostartentry.h"
#include "ui/appcontext.h"

class AlwaysOnForm;
class BackForm;
class FriendForm;
class HTForm;
class IdPassForm;
class OptionForm;
class SetForm;
class TyakuForm;
class WriteForm;
class QWidget;
struct ReplyDraft;

// The program's windows other than the main window. Each is created on first
// use, stays until it is closed, and is only brought forward when opened
// again. None is modal.
class AppWindows {
  public:
    explicit AppWindows(AppContext& context);
    ~AppWindows();

    void openSettings();
    // On the account under `accountKey`; the first by default.
    void openAccount(const QString& accountKey = AccountProfile::kFirstKey);
    void openServers(const QString& accountKey = AccountProfile::kFirstKey);
    // The timed checks, the tray and the login's autostart entry.
    void openAlwaysOn();
    AlwaysOnForm* alwaysOnWindow() const;
    // Told when its OK changed this run's settings.
    std::function<void()> alwaysOnChanged;
    // The entry 「ログイン時に起動」 writes; this user's unless a test says otherwise.
    AutostartEntry autostart = AutostartEntry::forUser();
    // The account window as loaded (created hidden when needed).
    IdPassForm* accountWindow();

    // The history window on the received or the sent mail.
    void openHistory(HistoryMode mode);
    TyakuForm* historyWindow() const;
    EditorState& editor() { return editor_; }

    // The address book; with an address, that address goes into its address box first.
    void openAddressBook(const std::optional<QString>& presetAddress = std::nullopt);
    FriendForm* addressBookWindow() const;
    // The compose window, and the HTML help window that its HELP opens.
    WriteForm* openCompose();
    WriteForm* composeWindow() const;
    void openHtmlHelp();
    HTForm* htmlHelpWindow() const;
    // The reply window, filled from the history window's "返事を書く".
    void openReply(const ReplyDraft& draft);
    BackForm* replyWindow() const;
    // The main window's clock text, which dates the sent records.
    std::function<QString()> clockText;
    // Told how many received mails are unread whenever the history window changed or read the marks.
    std::function<void(int unread)> unreadCount;

    SetForm* settingsWindow() const;
    OptionForm* serversWindow() const;

    // The values of the last message received go to the history window's
    // detail fields when that window exists.
    void showReceived(const struct LastReceived& last);

    // Closes every window at once, asking nothing.
    void closeAll();

  private:
    AppContext& context_;
    QPointer<SetForm> setForm_;
    QPointer<AlwaysOnForm> alwaysOnForm_;
    QPointer<IdPassForm> idPassForm_;
    QPointer<OptionForm> optionForm_;
    QPointer<TyakuForm> tyakuForm_;
    QPointer<FriendForm> friendForm_;
    QPointer<WriteForm> writeForm_;
    QPointer<HTForm> htForm_;
    QPointer<BackForm> backForm_;
    EditorState editor_; // lives for the whole run
};
