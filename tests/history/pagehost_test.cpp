// The history window keeps its own native window when it shows its first
// page: under a window manager it would otherwise flicker and may move. Only
// a platform with OpenGL (an X server; ctest runs this under Xvfb) shows it.
#include <QApplication>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "mime/htmlmailmarker.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "ui/appcontext.h"

TEST(PageHost, showingTheFirstPageKeepsTheWindowsNativeWindow) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    TempFolder app;
    ScriptedPrompter prompter;
    AppContext context{AppPaths(app.path()), app.path()};
    context.prompter = &prompter;
    context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH);
    ASSERT_TRUE(context.paths.ensureLayout().ok());
    ASSERT_TRUE(QDir().mkdir(app.file(QStringLiteral("page"))));
    WriteBytes(app.file(QStringLiteral("page/index.htm")), "<html><body>page</body></html>");
    ASSERT_TRUE(HistorySetup::fileOf(HistoryMode::Received, context.paths)
                    .append({QStringLiteral("page"), QStringLiteral("2026/12/07  9:00:00"),
                             MailRecord::kHtmlKind, QStringLiteral("from@example.jp"), HtmlMailMarker, 1})
                    .ok());
    EditorState editor;
    TyakuForm form(context, editor);
    form.OpenHistory(HistoryMode::Received);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QWindow* const before = form.windowHandle();
    bool replaced = false;
    QObject::connect(before, &QObject::destroyed, [&] { replaced = true; });
    form.MailListView->setCurrentIndex(form.MailListView->model()->index(0, 0));
    form.MailListView_Click();
    QTest::qWait(500);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(form.windowHandle(), before);
}
