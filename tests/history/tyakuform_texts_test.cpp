// The history window's list headers, and what each history sets: its caption
// and the list's colour.
#include <QTreeView>
#include <gtest/gtest.h>

#include "history/editorstate.h"
#include "history/tyakuform.h"
#include "tests/support/appfolder.h"

namespace {

class TyakuFormTexts : public testing::Test, protected AppFolder {
  protected:
    EditorState editor;
    std::unique_ptr<TyakuForm> form;

    void SetUp() override { form = std::make_unique<TyakuForm>(context, editor); }
};

} // namespace

TEST_F(TyakuFormTexts, listHeaders) {
    const QStringList headers = {QStringLiteral("Subject"), QStringLiteral("HTML/TEXT"),
                                 QStringLiteral("From"), QStringLiteral("Date")};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->MailListView->model()->headerData(i, Qt::Horizontal).toString(), headers[i]);
}

TEST_F(TyakuFormTexts, eachHistoryHasItsCaptionAndListColour) {
    form->OpenHistory(HistoryMode::Received);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("着信履歴"));
    EXPECT_EQ(form->MailListView->palette().color(QPalette::Base), QColor(210, 250, 250));
    form->OpenHistory(HistoryMode::Sent);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("送信履歴"));
    EXPECT_EQ(form->MailListView->palette().color(QPalette::Base), QColor(250, 250, 255));
}
