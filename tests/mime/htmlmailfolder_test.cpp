// Each received HTML mail keeps a folder of its own, found again from its record.
#include <QDir>
#include <gtest/gtest.h>

#include "mime/htmlmailfolder.h"
#include "store/folderremoval.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

using HtmlMailFolder::Owner;

Owner mail(const QString& subject, int day) {
    return Owner::ofMessage(subject, QStringLiteral("Mon, %1 Dec 2026 09:00:00 +0900").arg(day),
                            QStringLiteral("news@example.jp"));
}

} // namespace

TEST(HtmlMailFolder, eachMailOfOneSubjectHasItsOwnFolderAndFindsIt) {
    TempFolder app;
    const AppPaths paths(app.path());
    const QString subject = QStringLiteral("週刊ニュース");
    ASSERT_TRUE(QDir(app.path()).mkdir(QStringLiteral("古い便り"))); // from before folders were marked
    enum Step { Create, Find, Delete };
    struct Row {
        const char* name;
        Step step;
        Owner owner;
        QString folder; // made, found or removed; empty: none
    };
    const Row rows[] = {
        {"first-gets-the-subjects-name", Create, mail(subject, 1), subject},
        {"second-gets-a-number", Create, mail(subject, 8), subject + QStringLiteral(" (2)")},
        {"third-gets-the-next", Create, mail(subject, 15), subject + QStringLiteral(" (3)")},
        {"each-finds-its-own", Find, mail(subject, 8), subject + QStringLiteral(" (2)")},
        {"a-mail-without-a-folder-finds-none", Find, mail(subject, 22), {}},
        {"an-unmarked-folder-is-the-subjects", Find, mail(QStringLiteral("古い便り"), 1),
         QStringLiteral("古い便り")},
        {"a-new-mail-beside-an-unmarked-folder-is-numbered", Create, mail(QStringLiteral("古い便り"), 2),
         QStringLiteral("古い便り (2)")},
        {"which-does-not-take-the-unmarked-folder", Find, mail(QStringLiteral("古い便り"), 2),
         QStringLiteral("古い便り (2)")},
        {"deleting-the-first-removes-its-own", Delete, mail(subject, 1), subject},
        {"and-leaves-the-second", Find, mail(subject, 8), subject + QStringLiteral(" (2)")},
        {"the-deleted-one-finds-nothing-more", Find, mail(subject, 1), {}},
        {"the-freed-name-is-used-again", Create, mail(subject, 29), subject},
        {"a-subject-that-names-no-folder", Create, mail(QStringLiteral("../x"), 1), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString expected = row.folder.isEmpty() ? QString() : paths.join(row.folder);
        if (row.step == Create) {
            const HtmlMailFolder::Made made = HtmlMailFolder::create(paths, row.owner);
            EXPECT_EQ(made.path, expected);
            EXPECT_EQ(made.outcome, expected.isEmpty() ? HtmlMailFolder::Made::Outcome::Unusable
                                                       : HtmlMailFolder::Made::Outcome::Created);
        } else {
            const std::optional<QString> found = HtmlMailFolder::find(paths, row.owner);
            EXPECT_EQ(found.value_or(QString()), expected);
            if (row.step == Delete && found)
                RemoveFolder(*found);
        }
    }
    EXPECT_EQ(
        ReadBytes(paths.join(subject + QStringLiteral(" (3)/") + HtmlMailFolder::kOwnerFile)),
        ShiftJis::encode(QStringLiteral(
            "Subject: 週刊ニュース\r\nDate: Mon, 15 Dec 2026 09:00:00 +0900\r\nFrom: news@example.jp\r\n")));
}
