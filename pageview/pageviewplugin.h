#pragma once

#include <QtPlugin>
#include <functional>

class QString;
class QUrl;
class QWidget;

// A window's view of a page: a received mail's in the history window, a
// dropped one in the compose window. The engine behind it is heavy (WebEngine
// and an OpenGL driver), so it lives in a module of its own that is loaded
// the first time a page is shown.
class PageViewInterface {
  public:
    virtual ~PageViewInterface() = default;
    // Shows `page` (a file in `folder`); an empty page shows a blank view.
    virtual void showPage(const QString& page, const QString& folder) = 0;
    virtual QWidget* widget() = 0;
    // Where a web link the user clicked goes (the desktop's browser); none:
    // such links do nothing.
    virtual void setLinkOpener(std::function<bool(const QUrl&)> opener) = 0;
};

// What the page engine's module offers: new views, owned by their parent.
class PageViewPlugin {
  public:
    virtual ~PageViewPlugin() = default;
    virtual PageViewInterface* createPageView(QWidget* parent) = 0;
};

#define PageViewPlugin_iid "fennick.PageViewPlugin/2"
Q_DECLARE_INTERFACE(PageViewPlugin, PageViewPlugin_iid)
