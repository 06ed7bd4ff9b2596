// Qt's own dialogs speak Japanese once the system's translations are in.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

#include "app/qttranslations.h"

TEST(QtJapanese, standardButtonsReadInJapanese) {
    ASSERT_TRUE(InstallQtJapanese(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")))
        << box.button(QMessageBox::Yes)->text().toStdString();
    EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
    EXPECT_TRUE(box.button(QMessageBox::Cancel)->text().startsWith(QStringLiteral("キャンセル")));
}
