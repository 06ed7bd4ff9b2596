// The page engine's module: the one object the loader asks for views.
#include <QObject>

#include "pageview/pageview.h"
#include "pageview/pageviewplugin.h"

class PageViewModule : public QObject, public PageViewPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PageViewPlugin_iid)
    Q_INTERFACES(PageViewPlugin)

  public:
    PageViewInterface* createPageView(QWidget* parent) override { return new PageView(parent); }
};

#include "pageviewmodule.moc"
