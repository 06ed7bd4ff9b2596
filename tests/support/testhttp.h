#pragma once

#include <QByteArray>
#include <QUrl>
#include <optional>

// One HTTP request of a test, through Qt Network, blocking on the calling
// thread for at most 20 s: a GET that follows redirects, or a POST of a form.
struct TestHttpReply {
    int status = 0; // 0: no answer came
    QByteArray body;
};

TestHttpReply TestHttpRequest(const QUrl& url, const std::optional<QByteArray>& form = std::nullopt);
