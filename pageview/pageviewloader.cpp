#include "pageview/pageviewloader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPluginLoader>

#include "pageview/pageviewplugin.h"

// Qt's setter of the context every OpenGL context shares with; the page
// engine reads it through QOpenGLContext::globalShareContext().
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

QOpenGLContext* ownShareContext = nullptr;

void deleteShareContext() {
    qt_gl_set_global_share_context(nullptr);
    delete ownShareContext;
    ownShareContext = nullptr;
}

// The engine draws with OpenGL contexts that share one global context with
// the widgets. Qt makes that context at start-up when asked to
// (Qt::AA_ShareOpenGLContexts), which loads the OpenGL driver (tens of MB)
// whether or not a page is ever shown; made here, it comes with the first
// page. It must exist before the engine's library is loaded: without it the
// engine warns as it loads and crashes as it starts.
void shareOpenGlContexts() {
    if (QOpenGLContext::globalShareContext())
        return;
    ownShareContext = new QOpenGLContext;
    // Fails where there is no OpenGL (the offscreen platform); the engine then draws without it.
    ownShareContext->create();
    qt_gl_set_global_share_context(ownShareContext);
    // Post routines run last added first: the engine, started after this, stops before it goes.
    qAddPostRoutine(deleteShareContext);
}

} // namespace

namespace PageViewLoader {

QString modulePathBesideProgram() {
    return QCoreApplication::applicationDirPath() + u'/' + QStringLiteral(FENNICK_PAGE_MODULE);
}

void prepareHost(QWidget* window, const QString& modulePath) {
    if (modulePath.isEmpty() || !QFileInfo::exists(modulePath))
        return;
    shareOpenGlContexts();
    // Without OpenGL (the offscreen platform) the engine draws without it, and so does the window.
    if (!QOpenGLContext::globalShareContext()->isValid())
        return;
    // A hidden OpenGL widget makes the window an OpenGL one when it is created.
    auto* surface = new QOpenGLWidget(window);
    surface->setObjectName(QStringLiteral("pageSurface"));
    surface->hide();
}

Result<PageViewInterface*> create(const QString& modulePath, QWidget* parent) {
    using R = Result<PageViewInterface*>;
    if (modulePath.isEmpty() || !QFileInfo::exists(modulePath))
        return R::failure({.kind = Error::Kind::PageViewMissing, .path = modulePath});
    shareOpenGlContexts();
    QPluginLoader loader(modulePath); // the module stays loaded for the rest of the run
    auto* plugin = qobject_cast<PageViewPlugin*>(loader.instance());
    if (!plugin)
        return R::failure(
            {.kind = Error::Kind::PageViewNotLoaded, .path = modulePath, .detail = loader.errorString()});
    return plugin->createPageView(parent);
}

} // namespace PageViewLoader
