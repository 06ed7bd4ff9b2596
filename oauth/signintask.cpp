#include "oauth/signintask.h"

SignInTask::SignInTask(SignInFlow flow, Browser browse, Finished finished) {
    thread_ = std::thread(
        [this, flow = std::move(flow), browse = std::move(browse), finished = std::move(finished)] {
            const MailResult<OAuthTokens> result = flow.run(
                [&](const QUrl& url) { QMetaObject::invokeMethod(&home_, [browse, url] { browse(url); }); },
                cancelled_);
            QMetaObject::invokeMethod(&home_, [finished, result] { finished(result); });
        });
}

SignInTask::~SignInTask() {
    cancel();
    thread_.join();
}
