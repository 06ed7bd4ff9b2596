#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <mutex>
#include <thread>
#include <vector>

// The browser of the sign-in tests: an HTTP client on a thread of its own
// that goes where the sign-in sends the user and follows the redirects (the
// test authorization server sends it straight back with a code).
class TestBrowser {
  public:
    ~TestBrowser(); // waits for every visit to end

    // Follows `url` through its redirects.
    void open(const QUrl& url);
    // Plays the authorization server too: goes straight to the URL's
    // redirect_uri with `answer` ("code=c1") and the URL's state.
    void answer(const QUrl& url, const QByteArray& answer);
    // As answer(), with a state of its own.
    void answerWithState(const QUrl& url, const QByteArray& answer, const QByteArray& state);

    // What the sign-in asked the browser to show.
    QList<QUrl> shown();
    // The status and page every visit ended on, once they ended.
    QList<QPair<long, QByteArray>> pages();

  private:
    void visit(const QByteArray& url);

    std::mutex mutex_;
    QList<QUrl> shown_;
    QList<QPair<long, QByteArray>> pages_;
    std::vector<std::thread> visits_;
};
