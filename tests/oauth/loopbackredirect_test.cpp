// The loopback listener against the connections a browser really opens:
// spare ones beside the one it sends the redirect on, and requests that
// come in pieces or never end.
#include <QTcpSocket>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "oauth/loopbackredirect.h"
#include "text/canceltoken.h"

namespace {

// One move of the browser on one of its connections. `Listening` marks where
// the listener starts to wait: what comes before it queues up together.
struct Step {
    enum Kind { Opens, Sends, AwaitsClose, Listening } kind;
    int connection = 0;
    QByteArray bytes = {};
};

// Everything the connection receives until the listener closes it.
QByteArray readToEnd(QTcpSocket& socket) {
    QByteArray got;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(20000))
        got += socket.readAll();
    return got + socket.readAll();
}

// Plays the steps on a thread of its own, then reads each connection's answer.
class ScriptedBrowser {
  public:
    ScriptedBrowser(quint16 port, const QList<Step>& steps)
        : thread_([this, port, steps] {
              std::vector<std::unique_ptr<QTcpSocket>> sockets;
              for (const Step& step : steps) {
                  if (step.kind == Step::Listening)
                      setListening();
                  else if (step.kind == Step::Opens) {
                      sockets.push_back(std::make_unique<QTcpSocket>());
                      sockets.back()->connectToHost(QStringLiteral("127.0.0.1"), port);
                      EXPECT_TRUE(sockets.back()->waitForConnected(5000));
                  } else if (step.kind == Step::Sends) {
                      sockets.at(step.connection)->write(step.bytes);
                      sockets.at(step.connection)->waitForBytesWritten(5000);
                  } else
                      readToEnd(*sockets.at(step.connection));
              }
              setListening();
              for (const auto& socket : sockets)
                  answers_.append(readToEnd(*socket));
          }) {}
    ~ScriptedBrowser() {
        if (thread_.joinable())
            thread_.join();
    }

    void awaitListening() {
        std::unique_lock lock(mutex_);
        listeningChanged_.wait(lock, [this] { return listening_; });
    }
    // What each connection was answered, "" for nothing.
    QList<QByteArray> answers() {
        thread_.join();
        return answers_;
    }

  private:
    void setListening() {
        const std::lock_guard lock(mutex_);
        listening_ = true;
        listeningChanged_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable listeningChanged_;
    bool listening_ = false;
    QList<QByteArray> answers_;
    std::thread thread_;
};

} // namespace

TEST(LoopbackRedirect, theRedirectIsAnsweredWhateverElseTheBrowserOpens) {
    const QByteArray redirect = "GET /?code=c1&state=s1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const auto opens = [](int c) { return Step{Step::Opens, c}; };
    const auto sends = [](int c, const QByteArray& bytes) { return Step{Step::Sends, c, bytes}; };
    const Step listening{Step::Listening};
    struct Row {
        const char* name;
        QList<Step> steps;
        QList<QByteArray> statuses;
    };
    const Row rows[] = {
        {"idle-spare-opened-with-the-redirect",
         {opens(0), opens(1), sends(1, redirect), listening},
         {"", "200"}},
        {"two-idle-spares-opened-before-the-redirect",
         {opens(0), opens(1), listening, opens(2), sends(2, redirect)},
         {"", "", "200"}},
        {"slow-request-trickling-beside-the-redirect",
         {opens(0), sends(0, "GET /favicon.ico HT"), opens(1), listening, sends(1, redirect.left(20)),
          sends(0, "TP/1.1\r\n"), sends(1, redirect.mid(20)), sends(0, "Host: 127")},
         {"", "200"}},
        {"spare-closed-at-its-deadline-then-the-redirect",
         {opens(0), listening, {Step::AwaitsClose, 0}, opens(1), sends(1, redirect)},
         {"", "200"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const LoopbackRedirect::Pages pages{QStringLiteral("渡しました"), QStringLiteral("ありません")};
        LoopbackRedirect listener(pages, std::chrono::seconds(1));
        ASSERT_TRUE(listener.listen().ok());
        ScriptedBrowser browser(quint16(QUrl(listener.redirectUri()).port()), row.steps);
        browser.awaitListening();
        const CancelToken cancelled;
        const std::optional<QUrlQuery> query =
            listener.wait(QStringLiteral("s1"), QDeadlineTimer(20000), cancelled);
        EXPECT_EQ(query ? query->queryItemValue(QStringLiteral("code")) : QString(), QStringLiteral("c1"));
        const QList<QByteArray> answers = browser.answers();
        QList<QByteArray> statuses;
        for (const QByteArray& answer : answers)
            statuses.append(answer.mid(9, 3)); // "HTTP/1.1 200 OK"
        EXPECT_EQ(statuses, row.statuses);
        EXPECT_TRUE(answers.last().contains(pages.signedIn.toUtf8()))
            << "the redirect's page in the given words";
    }
}
