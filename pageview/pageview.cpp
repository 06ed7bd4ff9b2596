#include "pageview/pageview.h"

#include <QDir>
#include <QFileInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

void FolderOnlyInterceptor::setFolder(const QString& folder) {
    folder_ = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
}

bool FolderOnlyInterceptor::allows(const QUrl& url) const {
    if (url.scheme() == QStringLiteral("data") || url.scheme() == QStringLiteral("about"))
        return true;
    if (!url.isLocalFile() || folder_.isEmpty())
        return false;
    // Resolve links and "..": only what really lies in the folder.
    const QString path = QFileInfo(url.toLocalFile()).canonicalFilePath();
    if (path.isEmpty()) // missing: the engine shows its own "not found"
        return QDir::cleanPath(url.toLocalFile()).startsWith(folder_ + u'/');
    return path.startsWith(folder_ + u'/');
}

void FolderOnlyInterceptor::interceptRequest(QWebEngineUrlRequestInfo& info) {
    if (allows(info.requestUrl()))
        return;
    blocked.append(info.requestUrl().toString());
    info.block(true);
}

FolderOnlyPage::FolderOnlyPage(QWebEngineProfile* profile, const FolderOnlyInterceptor& rule, QObject* parent)
    : QWebEnginePage(profile, parent), rule_(rule) {}

bool FolderOnlyPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    const bool web = url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https");
    if (type == NavigationTypeLinkClicked && web) {
        if (opener)
            opener(url);
    } else if (type != NavigationTypeFormSubmitted && rule_.allows(url)) {
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    }
    Q_EMIT navigationRefused(url);
    return false;
}

PageView::PageView(QWidget* parent) : QWebEngineView(parent) {
    setObjectName(QStringLiteral("WebBrowser1"));
    // An off-the-record profile of our own: nothing is cached or kept.
    profile_ = new QWebEngineProfile(this);
    interceptor_ = new FolderOnlyInterceptor(profile_);
    profile_->setUrlRequestInterceptor(interceptor_);
    page_ = new FolderOnlyPage(profile_, *interceptor_, this);
    QWebEngineSettings* s = page_->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    setPage(page_);
    setContextMenuPolicy(Qt::NoContextMenu);
}

PageView::~PageView() {
    // The page must go before its profile.
    delete page_;
    delete profile_;
}

void PageView::showPage(const QString& page, const QString& folder) {
    interceptor_->setFolder(folder);
    if (page.isEmpty())
        setHtml(QString());
    else
        load(QUrl::fromLocalFile(page));
}
