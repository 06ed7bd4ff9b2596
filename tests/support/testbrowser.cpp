#include "tests/support/testbrowser.h"

#include <QUrlQuery>

#include "tests/support/testhttp.h"

TestBrowser::~TestBrowser() {
    for (std::thread& t : visits_)
        t.join();
}

void TestBrowser::visit(const QByteArray& url) {
    visits_.emplace_back([this, url] {
        const TestHttpReply page = TestHttpRequest(QUrl::fromEncoded(url));
        const std::lock_guard lock(mutex_);
        pages_.append({page.status, page.body});
    });
}

void TestBrowser::open(const QUrl& url) {
    {
        const std::lock_guard lock(mutex_);
        shown_.append(url);
    }
    visit(url.toEncoded());
}

void TestBrowser::answer(const QUrl& url, const QByteArray& answer) {
    answerWithState(url, answer, QUrlQuery(url).queryItemValue(QStringLiteral("state")).toLatin1());
}

void TestBrowser::answerWithState(const QUrl& url, const QByteArray& answer, const QByteArray& state) {
    {
        const std::lock_guard lock(mutex_);
        shown_.append(url);
    }
    const QUrlQuery query(url);
    visit(query.queryItemValue(QStringLiteral("redirect_uri"), QUrl::FullyDecoded).toLatin1() + '?' + answer +
          "&state=" + state);
}

QList<QUrl> TestBrowser::shown() {
    const std::lock_guard lock(mutex_);
    return shown_;
}

QList<QPair<long, QByteArray>> TestBrowser::pages() {
    for (std::thread& t : visits_)
        t.join();
    visits_.clear();
    const std::lock_guard lock(mutex_);
    return pages_;
}
