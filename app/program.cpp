#include "app/program.h"

#include <QLineEdit>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/quitdeadline.h"
#include "app/receiveaction.h"
#include "app/startup.h"
#include "transport/pop3session.h"
#include "ui/appcontext.h"
#include "ui/usertransport.h"

Program::Program(AppContext& context)
    : context_(context), windows_(std::make_unique<AppWindows>(context)),
      form_(std::make_unique<MainForm>(context, *windows_)) {
    windows_->clockText = [form = form_.get()] { return form->Text2->text(); };
    receive_ = std::make_unique<ReceiveAction>(context, *windows_, *form_, [&context] {
        // A certificate that fails the checks is put to the user, who may trust it for good.
        return std::make_unique<Pop3Session>(Pop3Session::Options{}, UserCertificateTrust(context));
    });
    form_->onReceive = [receive = receive_.get()] { receive->run(); };
    form_->onClosing = [] { EndProcessWithin(std::chrono::milliseconds(1500)); };
}

Program::~Program() = default;

void Program::start() {
    StartUp(context_, *windows_);
    form_->show();
}
