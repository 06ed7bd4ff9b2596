#pragma once

#include <QString>
#include <QStringList>
#include <QWebEnginePage>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

#include "pageview/pageviewplugin.h"

// Lets a page load files from its own folder and nothing else: no network,
// no file elsewhere on the disk.
class FolderOnlyInterceptor : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
  public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void setFolder(const QString& folder);
    void interceptRequest(QWebEngineUrlRequestInfo& info) override;
    bool allows(const QUrl& url) const;

    QStringList blocked; // what was refused, for the curious and the tests

  private:
    QString folder_;
};

// A page that stays where it was put: it navigates only to files of its own
// folder, never by a form. A web link the user clicked goes to the opener
// instead; the page itself stays.
class FolderOnlyPage : public QWebEnginePage {
    Q_OBJECT
  public:
    FolderOnlyPage(QWebEngineProfile* profile, const FolderOnlyInterceptor& rule, QObject* parent);
    std::function<bool(const QUrl&)> opener;

  Q_SIGNALS:
    void navigationRefused(const QUrl& url);

  protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

  private:
    const FolderOnlyInterceptor& rule_;
};

// A received page comes from a stranger: it runs no JavaScript, loads nothing
// from the network or from outside its mail's folder, and opens no window.
// Lives in the page engine's module (pageviewmodule.cpp).
class PageView : public QWebEngineView, public PageViewInterface {
    Q_OBJECT
  public:
    explicit PageView(QWidget* parent = nullptr);
    ~PageView() override;
    void showPage(const QString& page, const QString& folder) override;
    QWidget* widget() override { return this; }
    void setLinkOpener(std::function<bool(const QUrl&)> opener) override {
        page_->opener = std::move(opener);
    }
    FolderOnlyInterceptor& interceptor() { return *interceptor_; }
    FolderOnlyPage& folderPage() { return *page_; }

  private:
    class QWebEngineProfile* profile_;
    FolderOnlyPage* page_;
    FolderOnlyInterceptor* interceptor_;
};
