// The page engine is a module that the history window loads when it first
// shows a page; without it, pages say why and text mails still show.
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/historymode.h"
#include "history/tyakuform.h"
#include "pageview/pageviewplugin.h"
#include "tests/support/appfolder.h"
#include "tests/support/tempfolder.h"
#include "ui/twips.h"

namespace {

bool engineMapped() {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6WebEngineCore");
}

class PageModuleTest : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;

    // A received mail; an HTML one gets the page folder named after its subject.
    void receive(const QString& subject, const QString& kind, const QByteArray& page = {}) {
        const MailRecord r{subject,
                           QStringLiteral("2026/12/07  9:00:00"),
                           kind,
                           QStringLiteral("from@x"),
                           QStringLiteral("本文"),
                           1};
        ASSERT_TRUE(HistorySetup::fileOf(HistoryMode::Received, context.paths).append(r).ok());
        if (!page.isEmpty()) {
            ASSERT_TRUE(QDir().mkpath(app.file(subject)));
            WriteBytes(app.file(subject + QStringLiteral("/index.htm")), page);
        }
    }
    static void clickRow(TyakuForm& form, int row) {
        const QModelIndex index = form.MailListView->model()->index(row, 0);
        form.MailListView->setCurrentIndex(index);
        QTest::mouseClick(form.MailListView->viewport(), Qt::LeftButton, {},
                          form.MailListView->visualRect(index).center());
    }
    static int shownTop(const TyakuForm& form) {
        return form.clientTop() + Twips::toPixels(form.listHeightTwips() + 1230);
    }
};

} // namespace

TEST_F(PageModuleTest, firstPageLoadsTheEngineAndDrawsThePageInFront) {
    receive(QStringLiteral("garden"), MailRecord::kHtmlKind,
            "<html><body style=\"background: #ff0000\"><p>garden</p></body></html>");
    context.pageModule = QStringLiteral(FENNICK_PAGE_MODULE_PATH);
    TyakuForm form(context, editor);
    form.OpenHistory(HistoryMode::Received);
    EXPECT_FALSE(engineMapped()) << "the page engine was loaded before any page was shown";

    clickRow(form, 0);
    ASSERT_NE(form.pageView(), nullptr)
        << (prompter.shown.isEmpty() ? "" : prompter.shown[0].text.toStdString());
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(engineMapped());
    QWidget* page = form.pageView()->widget();
    EXPECT_EQ(page->y(), shownTop(form));
    EXPECT_LT(form.rtfEd->y(), 0) << "the text area stayed in front of the page";
    const auto drawnRed = [page] {
        const QImage shot = page->grab().toImage();
        return !shot.isNull() && shot.pixelColor(shot.width() / 2, shot.height() - 5) == QColor(Qt::red);
    };
    EXPECT_TRUE(QTest::qWaitFor(drawnRed, 30000)) << "the page was never drawn";
}

TEST_F(PageModuleTest, missingOrBrokenModuleSaysWhyAndTextMailsStillShow) {
    receive(QStringLiteral("garden"), MailRecord::kHtmlKind, "<html><body>garden</body></html>");
    receive(QStringLiteral("note"), MailRecord::kTextKind);
    const QString missing = app.file(QStringLiteral("gone/libfennick_pageview.so"));
    context.pageModule = missing;
    TyakuForm form(context, editor);
    form.OpenHistory(HistoryMode::Received);

    clickRow(form, 0);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown[0].text,
              QStringLiteral("HTMLメールを表示する部品が見つかりません。\n") + missing);
    EXPECT_EQ(prompter.shown[0].title, QStringLiteral("着信履歴"));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Warning);
    EXPECT_EQ(form.pageView(), nullptr);
    EXPECT_GE(form.rtfEd->y(), 0) << "the text area left in sight";
    EXPECT_EQ(form.rtfEd->toPlainText(), QStringLiteral("HTMLファイルの受信でした。"));

    clickRow(form, 1);
    EXPECT_EQ(form.rtfEd->toPlainText(), QStringLiteral("本文"));
    EXPECT_EQ(form.rtfEd->y(), shownTop(form));

    const QString broken = app.file(QStringLiteral("libbroken.so"));
    WriteBytes(broken, "not a module");
    context.pageModule = broken;
    clickRow(form, 0);
    ASSERT_EQ(prompter.shown.size(), 2);
    EXPECT_TRUE(prompter.shown[1].text.startsWith(
        QStringLiteral("HTMLメールを表示する部品を読み込めませんでした。\n") + broken + u'\n'))
        << prompter.shown[1].text.toStdString();
    EXPECT_EQ(form.pageView(), nullptr);
}
