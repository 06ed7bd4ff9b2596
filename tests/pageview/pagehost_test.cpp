// A window that shows pages keeps its own native window when it shows its
// first page: under a window manager it would otherwise flicker and may move.
// Only a platform with OpenGL (an X server; ctest runs this under Xvfb) shows it.
#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

#include "compose/writeform.h"
#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "pageview/pageviewplugin.h"
#include "tests/support/appfolder.h"

namespace {

// A window, and what shows its first page; that gives the view it was shown in.
struct PageHost {
    std::unique_ptr<QWidget> window;
    std::function<PageViewInterface*()> showFirstPage;
};

} // namespace

TEST(PageHost, showingTheFirstPageKeepsTheWindowsNativeWindow) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    AppFolder folder;
    folder.context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH);
    ASSERT_TRUE(QDir().mkdir(folder.app.file(QStringLiteral("page"))));
    const QString page = folder.app.file(QStringLiteral("page/index.htm"));
    WriteBytes(page, "<html><head><title>shown</title></head><body>page</body></html>");
    ASSERT_TRUE(HistorySetup::fileOf(HistoryMode::Received, folder.context.paths)
                    .append({QStringLiteral("page"), QStringLiteral("2026/12/07  9:00:00"),
                             MailRecord::kHtmlKind, QStringLiteral("from@example.jp"), HtmlMailMarker, 1})
                    .ok());
    EditorState editor;

    const struct {
        const char* name;
        std::function<PageHost()> open;
    } rows[] = {
        {"history-window-first-html-mail-clicked",
         [&] {
             auto form = std::make_unique<TyakuForm>(folder.context, editor);
             form->OpenHistory(HistoryMode::Received);
             TyakuForm* f = form.get();
             return PageHost{std::move(form), [f] {
                                 f->MailListView->setCurrentIndex(f->MailListView->model()->index(0, 0));
                                 f->MailListView_Click();
                                 return f->pageView();
                             }};
         }},
        {"compose-window-first-page-dropped-in-html-mode",
         [&] {
             auto form = std::make_unique<WriteForm>(folder.context, WriteFormLinks{});
             form->Command12_Click(); // HTML mode, which shows a dropped page
             WriteForm* f = form.get();
             return PageHost{std::move(form), [f, page] {
                                 f->Label5_OLEDragDrop({QUrl::fromLocalFile(page)});
                                 return f->preview();
                             }};
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const PageHost host = row.open();
        host.window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host.window.get()));
        const QPointer<QWindow> before = host.window->windowHandle();
        PageViewInterface* view = host.showFirstPage();
        ASSERT_NE(view, nullptr) << folder.prompter.shown.value(0).text.toStdString();
        // The view has the page's title once the engine has read the page.
        const auto shown = [view] {
            return view->widget()->property("title").toString() == QStringLiteral("shown");
        };
        ASSERT_TRUE(QTest::qWaitFor(shown, 30000)) << "the page was never read";
        EXPECT_FALSE(before.isNull()) << "the native window was made again";
        EXPECT_EQ(host.window->windowHandle(), before.data());
    }
}
