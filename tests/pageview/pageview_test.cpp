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

#include "pageview/pageview.h"
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
    // The pictures are asked for after the page itself has loaded.
    const QString secret = QUrl::fromLocalFile(root.file(QStringLiteral("secret.png"))).toString();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList b = view.interceptor().blocked;
            return b.contains(secret) && b.contains(QStringLiteral("file:///etc/hostname"));
        },
        10000));
    EXPECT_EQ(view.title(), QStringLiteral("page"));
    const QStringList blocked = view.interceptor().blocked;
    EXPECT_FALSE(network.someoneConnected()) << "the page reached the network";
    EXPECT_TRUE(blocked.contains(secret)) << blocked.join(u' ').toStdString();
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

namespace {

// A mail's folder with its page, shown in a view that counts what the page
// tried to open.
struct ShownPage {
    Listener network;
    TempFolder root;
    QString folder = root.file(QStringLiteral("Garden"));
    QString page = folder + QStringLiteral("/index.htm");
    PageView view;
    QList<QUrl> opened;
    QSignalSpy refused{&view.folderPage(), &FolderOnlyPage::navigationRefused};

    QByteArray web(const char* path) const {
        return "http://127.0.0.1:" + QByteArray::number(network.port) + path;
    }
    QByteArray outside() const {
        return QUrl::fromLocalFile(root.file(QStringLiteral("outside.htm"))).toEncoded();
    }

    // Shows `html`, whose title is "page", and waits until it is there.
    bool show(const QByteArray& html) {
        if (!QDir().mkpath(folder))
            return false;
        WriteBytes(root.file(QStringLiteral("outside.htm")),
                   "<html><head><title>outside</title></head></html>");
        WriteBytes(folder + QStringLiteral("/own.htm"), "<html><head><title>own</title></head></html>");
        WriteBytes(page, "<html><head><title>page</title>" + html);
        view.setLinkOpener([this](const QUrl& url) {
            opened.append(url);
            return true;
        });
        view.resize(400, 300);
        view.show();
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.showPage(page, folder);
        return loaded.wait(30000) && view.title() == QStringLiteral("page");
    }

    // Clicks the top or the bottom half of the page.
    void click(bool top) {
        ASSERT_TRUE(QTest::qWaitFor([this] { return view.focusProxy() != nullptr; }, 10000));
        QTest::mouseClick(view.focusProxy(), Qt::LeftButton, {}, QPoint(200, top ? 60 : 240));
    }

    // A navigation let through would show its error page shortly after the
    // request; nothing signals that none comes, so this watches a while.
    void expectStillOnItsPage() {
        const bool left = QTest::qWaitFor(
            [this] {
                return view.title() != QStringLiteral("page") || view.url() != QUrl::fromLocalFile(page);
            },
            2000);
        EXPECT_FALSE(left) << view.url().toString().toStdString();
        EXPECT_EQ(view.title(), QStringLiteral("page"));
        EXPECT_EQ(view.url(), QUrl::fromLocalFile(page));
        EXPECT_FALSE(network.someoneConnected()) << "the page reached the network";
        EXPECT_TRUE(view.interceptor().blocked.isEmpty())
            << view.interceptor().blocked.join(u' ').toStdString();
    }
};

// Two blocks filling the top and the bottom half of the page.
QByteArray halves(const QByteArray& top, const QByteArray& bottom) {
    return "<style>html,body{margin:0;height:100%}"
           ".h{display:block;position:absolute;left:0;width:100%;height:50%}</style></head><body>" +
           top + bottom + "</body></html>";
}

} // namespace

TEST(PageView, aPageThatRefreshesItselfAwayStaysOnItsPage) {
    for (const bool toTheWeb : {true, false}) {
        SCOPED_TRACE(toTheWeb ? "web" : "file outside the folder");
        ShownPage shown;
        const QByteArray target = toTheWeb ? shown.web("/away") : shown.outside();
        ASSERT_TRUE(
            shown.show("<meta http-equiv=\"refresh\" content=\"0; url=" + target + "\"></head></html>"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shown.refused.size() == 1; }, 10000))
            << shown.refused.size();
        EXPECT_EQ(shown.refused.first().first().toUrl(), QUrl::fromEncoded(target));
        shown.expectStillOnItsPage();
        EXPECT_TRUE(shown.opened.isEmpty());
    }
}

TEST(PageView, aClickedWebLinkGoesToTheBrowserAndOtherLinksOutsideGoNowhere) {
    ShownPage shown;
    ASSERT_TRUE(shown.show(halves("<a class=h style=\"top:0\" href=\"" + shown.web("/link") + "\">web</a>",
                                  "<a class=h style=\"top:50%\" href=\"" + shown.outside() + "\">file</a>")));
    shown.click(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.opened.size() == 1; }, 10000)) << shown.opened.size();
    EXPECT_EQ(shown.opened.first(), QUrl::fromEncoded(shown.web("/link")));
    shown.click(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.refused.size() == 2; }, 10000)) << shown.refused.size();
    EXPECT_EQ(shown.refused.last().first().toUrl(), QUrl::fromEncoded(shown.outside()));
    EXPECT_EQ(shown.opened.size(), 1);
    shown.expectStillOnItsPage();
}

TEST(PageView, aLinkToAnotherPageOfItsOwnFolderIsFollowed) {
    ShownPage shown;
    ASSERT_TRUE(shown.show(halves("<a class=h style=\"top:0\" href=\"own.htm\">own</a>", "")));
    shown.click(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.view.title() == QStringLiteral("own"); }, 10000))
        << shown.view.title().toStdString();
    EXPECT_EQ(shown.refused.size(), 0);
    EXPECT_TRUE(shown.opened.isEmpty());
}

TEST(PageView, aFormIsNeverSubmittedEvenToItsOwnFolder) {
    ShownPage shown;
    const auto form = [](const QByteArray& action, const char* top) {
        return "<form method=\"get\" action=\"" + action +
               "\"><input type=\"submit\" class=h style=\"top:" + top + "\" value=\"send\"></form>";
    };
    ASSERT_TRUE(shown.show(halves(form(shown.web("/form"), "0"), form("own.htm", "50%"))));
    shown.click(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.refused.size() == 1; }, 10000)) << shown.refused.size();
    EXPECT_EQ(shown.refused.last().first().toUrl().path(), QStringLiteral("/form"));
    shown.click(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.refused.size() == 2; }, 10000)) << shown.refused.size();
    EXPECT_TRUE(shown.refused.last().first().toUrl().path().endsWith(QStringLiteral("/own.htm")));
    EXPECT_TRUE(shown.opened.isEmpty());
    shown.expectStillOnItsPage();
}
