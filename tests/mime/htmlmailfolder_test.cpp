// Each received HTML mail keeps a folder of its own, found again from its row.
#include <QCryptographicHash>
#include <QDir>
#include <gtest/gtest.h>

#include "mime/htmlmailfolder.h"
#include "mime/htmlmailmarker.h"
#include "store/folderremoval.h"
#include "store/mailfile.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"

namespace {

MailRecord mail(const QString& subject, int day, const QString& kind = MailRecord::kHtmlKind,
                const QString& body = HtmlMailMarker) {
    return {subject, QStringLiteral("Mon, %1 Dec 2026 09:00:00 +0900").arg(day),
            kind,    QStringLiteral("news@example.jp"),
            body,    1};
}

} // namespace

TEST(HtmlMailFolder, eachRowFindsItsOwnFolderWhateverOtherMailsShareItsHeaders) {
    TempFolder app;
    const AppPaths paths(app.path());
    ASSERT_TRUE(paths.ensureLayout().ok());
    const MailFile file = MailFile::received(paths);
    const RecordFile records(file.path(), MailRecord::kSize);
    const QString news = QStringLiteral("週刊ニュース");
    const QString split = QStringLiteral("改行\r\n入り");
    const QString numbered2 = news + QStringLiteral(" (2)");
    // Left by older copies: a folder without a mark, one marked by its headers only.
    ASSERT_TRUE(QDir(app.path()).mkdir(QStringLiteral("古い便り")));
    ASSERT_TRUE(QDir(app.path()).mkdir(QStringLiteral("旧形式")));
    WriteBytes(paths.join(QStringLiteral("旧形式/.fennick-mail")),
               ShiftJis::encode(QStringLiteral("Subject: 旧形式\r\nDate: Mon, 1 Dec 2026 09:00:00 +0900\r\n"
                                               "From: news@example.jp\r\n")));
    enum Step { Store, Find, Delete };
    struct Row {
        const char* name;
        Step step;
        MailRecord record; // Store: the mail stored
        int row;           // Find, Delete: its row
        QString folder;    // made, found or removed; empty: none
    };
    const Row rows[] = {
        {"first-gets-the-subjects-name", Store, mail(news, 1), 0, news},
        {"second-gets-a-number", Store, mail(news, 8), 0, numbered2},
        {"a-stranger-copying-the-headers-gets-another", Store,
         mail(news, 1, MailRecord::kHtmlKind, HtmlMailMarker + QStringLiteral("偽")), 0,
         news + QStringLiteral(" (3)")},
        {"the-stranger-finds-its-own", Find, {}, 3, news + QStringLiteral(" (3)")},
        {"the-real-one-keeps-its-own", Find, {}, 1, news},
        {"a-mail-delivered-twice-gets-a-folder-each", Store, mail(news, 8), 0, news + QStringLiteral(" (4)")},
        {"the-first-copy-owns-the-first", Find, {}, 2, numbered2},
        {"the-second-copy-owns-the-second", Find, {}, 4, news + QStringLiteral(" (4)")},
        {"a-subject-with-a-line-break-finds-its-folder", Store, mail(split, 2), 0, split},
        {"and-its-row-finds-it", Find, {}, 5, split},
        {"the-unmarked-folder-is-an-html-mails", Store, mail(QStringLiteral("古い便り"), 3), 0,
         QStringLiteral("古い便り (2)")},
        {"and-its-row-finds-it", Find, {}, 6, QStringLiteral("古い便り (2)")},
        {"a-text-mail-never-takes-the-unmarked-folder",
         Store,
         mail(QStringLiteral("古い便り"), 4, MailRecord::kTextKind, QStringLiteral("本文")),
         0,
         {}},
        {"and-its-row-finds-it", Find, {}, 7, {}},
        {"an-older-copys-mark-is-still-read", Store, mail(QStringLiteral("旧形式"), 9), 0,
         QStringLiteral("旧形式 (2)")},
        {"and-its-row-finds-it", Find, {}, 8, QStringLiteral("旧形式 (2)")},
        {"a-text-mail-with-an-older-marks-headers-finds-none",
         Store,
         mail(QStringLiteral("旧形式"), 1, MailRecord::kTextKind),
         0,
         {}},
        {"and-its-row-finds-it", Find, {}, 9, {}},
        {"deleting-the-first-copy-removes-its-folder", Delete, {}, 2, numbered2},
        {"the-second-copy-then-finds-its-own", Find, {}, 3, news + QStringLiteral(" (4)")},
        {"and-the-stranger-still-its-own", Find, {}, 2, news + QStringLiteral(" (3)")},
        {"a-subject-that-names-no-folder", Store, mail(QStringLiteral("../x"), 1), 0, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString expected = row.folder.isEmpty() ? QString() : paths.join(row.folder);
        if (row.step == Store) {
            ASSERT_TRUE(file.append(row.record).ok());
            if (row.record.kind != MailRecord::kHtmlKind)
                continue;
            const HtmlMailFolder::Made made = HtmlMailFolder::create(paths, row.record);
            EXPECT_EQ(made.path, expected);
            EXPECT_EQ(made.outcome, expected.isEmpty() ? HtmlMailFolder::Made::Outcome::Unusable
                                                       : HtmlMailFolder::Made::Outcome::Created);
            continue;
        }
        const auto found = HtmlMailFolder::findForRow(paths, records, row.row);
        ASSERT_TRUE(found.ok());
        EXPECT_EQ(found->value_or(QString()), expected);
        if (row.step == Delete) {
            RemoveFolder(expected);
            ASSERT_TRUE(file.markDeleted(row.row).ok() && file.compact().ok());
        }
    }
    // Older copies still read the headers; the record's digest is ours.
    const QByteArray owner = ReadBytes(paths.join(split + u'/' + HtmlMailFolder::kOwnerFile));
    const QByteArray stored = ReadBytes(file.path()).mid(3 * MailRecord::kSize, MailRecord::kSize);
    EXPECT_TRUE(owner.startsWith(ShiftJis::encode(
        QStringLiteral("Subject: 改行\\r\\n入り\r\nDate: Mon, 2 Dec 2026 09:00:00 +0900\r\nFrom: "
                       "news@example.jp\r\nRecord: ") +
        QString::fromLatin1(QCryptographicHash::hash(stored, QCryptographicHash::Blake2b_256).toHex()) +
        QStringLiteral("\r\nStored: "))))
        << owner.toStdString();
}
