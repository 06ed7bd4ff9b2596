#include "tests/support/testbrowser.h"

#include <QUrlQuery>
#include <curl/curl.h>

namespace {

size_t keep(char* data, size_t size, size_t count, void* page) {
    static_cast<QByteArray*>(page)->append(data, qsizetype(size * count));
    return size * count;
}

} // namespace

TestBrowser::~TestBrowser() {
    for (std::thread& t : visits_)
        t.join();
}

void TestBrowser::visit(const QByteArray& url) {
    visits_.emplace_back([this, url] {
        QByteArray page;
        long status = 0;
        CURL* h = curl_easy_init();
        curl_easy_setopt(h, CURLOPT_URL, url.constData());
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_TIMEOUT, 20L);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &keep);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &page);
        if (curl_easy_perform(h) == CURLE_OK)
            curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        curl_easy_cleanup(h);
        const std::lock_guard lock(mutex_);
        pages_.append({status, page});
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
