// The compose and HTML help windows as the main window opens them.
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/appwindows.h"
#include "app/mainform.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "tests/support/scriptedprompter.h"
#include "tests/support/tempfolder.h"
#include "ui/appcontext.h"

TEST(ComposeWindows, newMailLabelOpensOneComposeWindowWhoseHelpPreparesTheSupportMail) {
    TempFolder app;
    ScriptedPrompter prompter;
    AppContext context{AppPaths(app.path()), app.path()};
    context.prompter = &prompter;
    ASSERT_TRUE(context.paths.ensureLayout().ok());
    AppWindows windows(context);
    MainForm form(context, windows);

    EXPECT_EQ(windows.composeWindow(), nullptr) << "created on first use";
    form.Label1_Click();
    WriteForm* compose = windows.composeWindow();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_EQ(compose->windowTitle(), QStringLiteral("新規作成"));
    compose->ToText->setText(QStringLiteral("kept@x.jp"));
    form.Label1_Click();
    EXPECT_EQ(windows.composeWindow(), compose) << "opened again, it is only brought forward";
    EXPECT_EQ(compose->ToText->text(), QStringLiteral("kept@x.jp"));

    compose->Command2->click();
    HTForm* help = windows.htmlHelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(compose->isVisible()) << "help does not block or replace the compose window";
    compose->Command2->click();
    EXPECT_EQ(windows.htmlHelpWindow(), help);

    // With the compose window closed, the support button opens a new one.
    compose->Command3->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(windows.composeWindow(), nullptr);
    help->Command1->click();
    ASSERT_NE(windows.composeWindow(), nullptr);
    EXPECT_TRUE(windows.composeWindow()->isVisible());
    EXPECT_EQ(windows.composeWindow()->ToText->text(),
              QStringLiteral("Fennick サポート <support@fennick.example>"));
    EXPECT_EQ(windows.composeWindow()->SubjectText->text(), QStringLiteral("使用方法での質問です。"));
}
