// The page of a received HTML mail comes from a stranger.
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "history/pageview.h"
#include "tests/support/tempfolder.h"

namespace {

// A loopback listener that tells whether anybody connected.
struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    int port = 0;
    Listener() {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, 4);
        socklen_t len = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
    bool someoneConnected() const {
        const int c = ::accept4(fd, nullptr, nullptr, SOCK_NONBLOCK);
        if (c >= 0)
            ::close(c);
        return c >= 0;
    }
};

} // namespace

TEST(PageView, runsNoScriptAndLoadsNothingFromOutsideTheMailsFolder) {
    Listener network;
    TempFolder root;
    const QString folder = root.file(QStringLiteral("Garden"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteBytes(root.file(QStringLiteral("secret.png")), QByteArray("\x89PNG"));
    WriteBytes(folder + QStringLiteral("/own.png"), QByteArray("\x89PNG"));
    WriteBytes(folder + QStringLiteral("/index.htm"), "<html><head><title>page</title></head><body>"
                                                      "<img src=\"own.png\">"
                                                      "<img src=\"http://127.0.0.1:" +
                                                          QByteArray::number(network.port) +
                                                          "/tracker.png\">"
                                                          "<img src=\"../secret.png\">"
                                                          "<img src=\"file:///etc/hostname\">"
                                                          "<script>document.title = 'script ran';</script>"
                                                          "</body></html>");
    PageView view;
    view.resize(400, 300);
    view.show();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.showPage(folder + QStringLiteral("/index.htm"), folder);
    ASSERT_TRUE(loaded.wait(30000));
    QTest::qWait(300); // let the images settle
    EXPECT_EQ(view.title(), QStringLiteral("page"));
    const QStringList blocked = view.interceptor().blocked;
    EXPECT_FALSE(network.someoneConnected()) << "the page reached the network";
    EXPECT_TRUE(blocked.contains(QUrl::fromLocalFile(root.file(QStringLiteral("secret.png"))).toString()))
        << blocked.join(u' ').toStdString();
    EXPECT_TRUE(blocked.contains(QStringLiteral("file:///etc/hostname"))) << blocked.join(u' ').toStdString();
    EXPECT_FALSE(blocked.contains(QUrl::fromLocalFile(folder + QStringLiteral("/own.png")).toString()));
    EXPECT_FALSE(view.page()->settings()->testAttribute(QWebEngineSettings::JavascriptEnabled));
}

TEST(PageView, folderRuleResolvesLinksAndDotDot) {
    TempFolder root;
    const QString folder = root.file(QStringLiteral("mail"));
    ASSERT_TRUE(QDir().mkpath(folder));
    WriteBytes(root.file(QStringLiteral("outside.txt")), "x");
    FolderOnlyInterceptor rule;
    rule.setFolder(folder);
    EXPECT_TRUE(rule.allows(QUrl::fromLocalFile(folder + QStringLiteral("/a.png"))));
    EXPECT_FALSE(rule.allows(QUrl::fromLocalFile(folder + QStringLiteral("/../outside.txt"))));
    EXPECT_FALSE(rule.allows(QUrl(QStringLiteral("https://127.0.0.1/x"))));
    ASSERT_TRUE(QFile::link(root.file(QStringLiteral("outside.txt")), folder + QStringLiteral("/link.txt")));
    EXPECT_FALSE(rule.allows(QUrl::fromLocalFile(folder + QStringLiteral("/link.txt"))));
    FolderOnlyInterceptor noFolder;
    EXPECT_FALSE(noFolder.allows(QUrl::fromLocalFile(folder + QStringLiteral("/a.png"))));
}
