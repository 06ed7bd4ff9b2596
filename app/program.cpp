#include "app/program.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLineEdit>
#include <QSystemTrayIcon>

#include "app/appwindows.h"
#include "app/desktopnotices.h"
#include "app/mainform.h"
#include "app/newmailnotice.h"
#include "app/receiveaction.h"
#include "app/startup.h"
#include "app/timedchecks.h"
#include "oauth/accesstokens.h"
#include "search/unreadmarks.h"
#include "settings/accountfile.h"
#include "transport/pop3session.h"
#include "ui/appcontext.h"
#include "ui/errortexts.h"
#include "ui/prompter.h"
#include "ui/reporttexts.h"
#include "ui/usertransport.h"

namespace {

// The desktop's notices, on the session bus once the first is shown: a
// program that never shows one never connects.
class SessionBusNotices : public Notices {
  public:
    void show(const QString& summary, const QString& body, std::function<void()> clicked) override {
        if (!notices_)
            notices_ = std::make_unique<DesktopNotices>(QDBusConnection::sessionBus(), NoticeOpenLabel());
        notices_->show(summary, body, std::move(clicked));
    }

  private:
    std::unique_ptr<DesktopNotices> notices_;
};

} // namespace

Program::Program(AppContext& context)
    : context_(context), windows_(std::make_unique<AppWindows>(context)),
      form_(std::make_unique<MainForm>(context, *windows_)) {
    QApplication::instance()->installEventFilter(&captions_);
    // The clock rests while the main window is not seen: read it fresh.
    windows_->clockText = [form = form_.get()] {
        form->Timer2_Timer();
        return form->Text2->text();
    };
    receive_ = std::make_unique<ReceiveAction>(
        context, *windows_, *form_, [&context](const ConnectionQuestion& ask, const AccountProfile& account) {
            // An account signed in through its provider logs in with its tokens.
            Pop3Session::Options options;
            options.bearer = AccessTokens::forAccount(context.accounts().signInOf(account));
            // A certificate that fails the checks, or a login in clear, is put to the user (or kept for him).
            return std::make_unique<Pop3Session>(options, UserCertificateTrust(context, ask),
                                                 UserTlsPolicy(context, ask));
        });
    form_->onReceive = [receive = receive_.get()] { receive->run(); };

    notices_ = std::make_unique<SessionBusNotices>();
    newMail_ = std::make_unique<NewMailNotice>(context, *windows_, *notices_);
    timed_ = std::make_unique<TimedChecks>(*receive_, *notices_, [&context] { return context.now(); });
    receive_->onEnded = [this](const ReceiveAction::Ended& ended) {
        timed_->checkEnded(ended);
        newMail_->checkEnded(ended);
        if (tray_)
            tray_->refresh();
    };
    windows_->alwaysOnChanged = [this] {
        timed_->setInterval(std::chrono::minutes(context_.settings.alwaysOn.checkMinutes));
    };
    form_->keepRunning = [this] { return keepRunningInTray(); };
    // The tray counts what the main window counts, and follows the history's marks.
    unread_ = [&context] { return std::optional<int>(UnreadMarks::receivedCount(context.paths)); };
    windows_->unreadCount = [this, shown = windows_->unreadCount](int unread) {
        if (shown)
            shown(unread);
        if (tray_)
            tray_->refresh();
    };
}

Program::~Program() = default;

void Program::useDesignFont() {
    // The windows were designed for "ＭＳ Ｐゴシック"; Linux has Noto Sans CJK.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("IPAPGothic"), font.family()});
    font.setPointSize(9);
    QApplication::setFont(font);
}

void Program::start() {
    StartUp(context_, *windows_);
    form_->show();
    // Only a desktop with a tray gets the icon (and its menu): elsewhere it costs nothing.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<TrayIcon>(
            TrayIcon::Actions{.receive = [this] { receive_->run(); },
                              .compose = [this] { windows_->openCompose(); },
                              .history = [this] { windows_->openHistory(HistoryMode::Received); },
                              .quit = [this] { form_->quit(); },
                              .showMain =
                                  [this] {
                                      form_->showNormal();
                                      form_->raise();
                                      form_->activateWindow();
                                  }},
            [this] { return unread_ ? unread_() : std::nullopt; });
        tray_->show();
    }
    const AlwaysOn& a = context_.settings.alwaysOn;
    timed_->start(std::chrono::minutes(a.checkMinutes), a.checkAtStart);
}

void Program::setUnreadCount(TrayIcon::UnreadCount count) {
    unread_ = std::move(count);
    if (tray_)
        tray_->refresh();
}

bool Program::keepRunningInTray() {
    AlwaysOn& a = context_.settings.alwaysOn;
    switch (a.closeStep(tray_ && tray_->isShown(), false)) {
    case AlwaysOn::CloseStep::Quit:
        return false;
    case AlwaysOn::CloseStep::HideToTray:
        return true;
    case AlwaysOn::CloseStep::Ask:
        break;
    }
    const bool keep = context_.prompter->message(form_.get(), CloseToTrayQuestionText(),
                                                 QStringLiteral("確認"), Prompter::Icon::Question,
                                                 Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
    a.onClose = keep ? AlwaysOn::OnClose::KeepInTray : AlwaysOn::OnClose::Quit;
    if (Status s = a.write(context_.paths.accountFile()); !s)
        context_.prompter->message(form_.get(), SettingsForThisRunText(s.error()), QStringLiteral("Fennick"),
                                   Prompter::Icon::Warning);
    return keep;
}
