#include "app/program.h"

#include <QApplication>
#include <QLineEdit>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/receiveaction.h"
#include "app/startup.h"
#include "oauth/accesstokens.h"
#include "settings/accountfile.h"
#include "transport/pop3session.h"
#include "ui/appcontext.h"
#include "ui/usertransport.h"

Program::Program(AppContext& context)
    : context_(context), windows_(std::make_unique<AppWindows>(context)),
      form_(std::make_unique<MainForm>(context, *windows_)) {
    QApplication::instance()->installEventFilter(&captions_);
    windows_->clockText = [form = form_.get()] { return form->Text2->text(); };
    receive_ = std::make_unique<ReceiveAction>(context, *windows_, *form_, [&context] {
        // An account signed in through its provider logs in with its tokens.
        Pop3Session::Options options;
        options.bearer = AccessTokens::forAccount(AccountFile(context.paths.accountFile()).tokenStoreFile());
        // A certificate that fails the checks, or a login in clear, is put to the user.
        return std::make_unique<Pop3Session>(options, UserCertificateTrust(context), UserTlsPolicy(context));
    });
    form_->onReceive = [receive = receive_.get()] { receive->run(); };
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
}
