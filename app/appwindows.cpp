#include "app/appwindows.h"

#include <QCoreApplication>

#include "addressbook/friendform.h"
#include "compose/backform.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "history/tyakuform.h"
#include "receive/mailcheck.h"
#include "settings/alwaysonform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/setform.h"

namespace {

void bringForward(QWidget* w) {
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

AppWindows::AppWindows(AppContext& context) : context_(context) {}

AppWindows::~AppWindows() {
    closeAll();
}

void AppWindows::openSettings() {
    if (!setForm_)
        setForm_ = new SetForm(
            context_, [this](const QString& key) { openAccount(key); },
            [this](const QString& key) { openServers(key); }, [this] { openAlwaysOn(); });
    bringForward(setForm_);
}

void AppWindows::openAlwaysOn() {
    if (!alwaysOnForm_) {
        alwaysOnForm_ = new AlwaysOnForm(context_, autostart, QCoreApplication::applicationFilePath());
        alwaysOnForm_->setAttribute(Qt::WA_DeleteOnClose);
        alwaysOnForm_->onChanged = [this] {
            if (alwaysOnChanged)
                alwaysOnChanged();
        };
    }
    alwaysOnForm_->open();
}

AlwaysOnForm* AppWindows::alwaysOnWindow() const {
    return alwaysOnForm_;
}

IdPassForm* AppWindows::accountWindow() {
    if (!idPassForm_) {
        idPassForm_ = new IdPassForm(context_);
        idPassForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    return idPassForm_;
}

void AppWindows::openAccount(const QString& accountKey) {
    accountWindow()->openFor(accountKey);
}

void AppWindows::openServers(const QString& accountKey) {
    if (!optionForm_) {
        optionForm_ = new OptionForm(context_);
        optionForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    optionForm_->openFor(accountKey);
}

SetForm* AppWindows::settingsWindow() const {
    return setForm_;
}

OptionForm* AppWindows::serversWindow() const {
    return optionForm_;
}

void AppWindows::openHistory(HistoryMode mode) {
    if (!tyakuForm_) {
        tyakuForm_ = new TyakuForm(context_, editor_);
        tyakuForm_->setAttribute(Qt::WA_DeleteOnClose);
        tyakuForm_->onRegisterSender = [this](const QString& party) { openAddressBook(party); };
        tyakuForm_->onReply = [this](const ReplyDraft& draft) { openReply(draft); };
        tyakuForm_->onUnreadCount = [this](int unread) {
            if (unreadCount)
                unreadCount(unread);
        };
    }
    tyakuForm_->OpenHistory(mode);
}

void AppWindows::openAddressBook(const std::optional<QString>& presetAddress) {
    if (!friendForm_) {
        friendForm_ = new FriendForm(context_);
        friendForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (presetAddress)
        friendForm_->presetAddress(*presetAddress);
    bringForward(friendForm_);
}

FriendForm* AppWindows::addressBookWindow() const {
    return friendForm_;
}

TyakuForm* AppWindows::historyWindow() const {
    return tyakuForm_;
}

WriteForm* AppWindows::openCompose() {
    if (!writeForm_) {
        writeForm_ = new WriteForm(context_, {clockText, [this] { openHtmlHelp(); }});
        writeForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringForward(writeForm_);
    return writeForm_;
}

WriteForm* AppWindows::composeWindow() const {
    return writeForm_;
}

void AppWindows::openHtmlHelp() {
    if (!htForm_) {
        htForm_ = new HTForm([this] { return openCompose(); });
        htForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringForward(htForm_);
}

HTForm* AppWindows::htmlHelpWindow() const {
    return htForm_;
}

void AppWindows::openReply(const ReplyDraft& draft) {
    if (!backForm_) {
        backForm_ = new BackForm(context_);
        backForm_->setAttribute(Qt::WA_DeleteOnClose);
    }
    if (backForm_->fill(draft.subject, draft.to, draft.body)) {
        backForm_->showWarning(draft.warning);
        backForm_->answerFrom(draft.account);
    }
    bringForward(backForm_);
}

BackForm* AppWindows::replyWindow() const {
    return backForm_;
}

void AppWindows::showReceived(const LastReceived& last) {
    if (tyakuForm_)
        tyakuForm_->showReceived(last.subject, last.sender, last.date, last.text, last.rawSubject);
}

void AppWindows::closeAll() {
    delete setForm_.data();
    delete alwaysOnForm_.data();
    delete idPassForm_.data();
    delete optionForm_.data();
    delete tyakuForm_.data();
    delete friendForm_.data();
    delete htForm_.data();
    delete writeForm_.data();
    delete backForm_.data();
}
