#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

#include "receive/attachmentwriter.h"
#include "tests/support/tempfolder.h"

namespace {

ReceivedMessage withAttachments(std::initializer_list<QString> names) {
    ReceivedMessage m;
    int i = 0;
    for (const QString& n : names)
        m.attachments.append({n, QByteArray("content ") + QByteArray::number(++i)});
    return m;
}

} // namespace

TEST(AttachmentWriter, hostileNamesStayInsideTheFolder) {
    struct Row {
        const char16_t* sent;
        const char16_t* saved;
    };
    const Row rows[] = {{u"../../x", u"x"},
                        {u"/etc/passwd", u"passwd"},
                        {u"a\\b", u"b"},
                        {u"", u"attachment-4.bin"},
                        {u"..", u"attachment-5.bin"},
                        {u".hidden", u"hidden"},
                        {u"ok\u0001name.txt", u"okname.txt"},
                        {u"dir/", u"attachment-8.bin"}};
    for (const Row& r : rows) {
        const int index = int(&r - rows) + 1;
        EXPECT_EQ(AttachmentWriter::safeName(QString::fromUtf16(r.sent), index), QString::fromUtf16(r.saved))
            << QString::fromUtf16(r.sent).toStdString();
    }
    TempFolder parent;
    ASSERT_TRUE(QDir(parent.path()).mkdir(QStringLiteral("inbox")));
    const QString inbox = parent.file(QStringLiteral("inbox"));
    const auto report = AttachmentWriter::write(
        withAttachments({QStringLiteral("../../x"), QStringLiteral("/etc/passwd"), QStringLiteral("..")}),
        inbox);
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written);
    EXPECT_EQ(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("inbox")});
    EXPECT_EQ(
        QDir(inbox).entryList(QDir::Files, QDir::Name),
        (QStringList{QStringLiteral("attachment-3.bin"), QStringLiteral("passwd"), QStringLiteral("x")}));
}

TEST(AttachmentWriter, existingFilesAreNeverReplaced) {
    TempFolder dir;
    WriteBytes(dir.file(QStringLiteral("photo.jpg")), QByteArray("earlier mail"));
    const auto report = AttachmentWriter::write(
        withAttachments({QStringLiteral("photo.jpg"), QStringLiteral("photo.jpg"), QStringLiteral("README")}),
        dir.path());
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written);
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("photo.jpg"))), QByteArray("earlier mail"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("photo (2).jpg"))), QByteArray("content 1"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("photo (3).jpg"))), QByteArray("content 2"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("README"))), QByteArray("content 3"));
    EXPECT_EQ(report.writtenFiles.size(), 3);
}

TEST(AttachmentWriter, aThousandSameNamesStillLeaveRoomForTheNext) {
    // Every HTML mail carries index.htm; the attachment folder collects them.
    TempFolder dir;
    WriteBytes(dir.file(QStringLiteral("index.htm")), QByteArray("first"));
    for (int n = 2; n <= 999; ++n)
        WriteBytes(dir.file(QStringLiteral("index (%1).htm").arg(n)), QByteArray::number(n));
    const auto report = AttachmentWriter::write(
        withAttachments({QStringLiteral("index.htm"), QStringLiteral("index.htm")}), dir.path());
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written) << report.error.debugText().toStdString();
    ASSERT_EQ(report.writtenFiles.size(), 2);
    EXPECT_NE(report.writtenFiles[0], report.writtenFiles[1]);
    for (const QString& written : report.writtenFiles) {
        EXPECT_TRUE(QFileInfo(written).fileName().startsWith(QStringLiteral("index (")));
        EXPECT_TRUE(written.endsWith(QStringLiteral(".htm")));
    }
    EXPECT_EQ(ReadBytes(report.writtenFiles[0]), QByteArray("content 1"));
    EXPECT_EQ(ReadBytes(report.writtenFiles[1]), QByteArray("content 2"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("index.htm"))), QByteArray("first"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("index (999).htm"))), QByteArray("999"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1001);
}

TEST(AttachmentWriter, symbolicLinkInTheFolderIsNotFollowed) {
    TempFolder dir;
    TempFolder outside;
    const QString target = outside.file(QStringLiteral("victim"));
    WriteBytes(target, QByteArray("keep"));
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                        QFile::encodeName(dir.file(QStringLiteral("a.txt"))).constData()),
              0);
    const auto report = AttachmentWriter::write(withAttachments({QStringLiteral("a.txt")}), dir.path());
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written);
    EXPECT_EQ(ReadBytes(target), QByteArray("keep"));
    EXPECT_EQ(ReadBytes(dir.file(QStringLiteral("a (2).txt"))), QByteArray("content 1"));
}

TEST(AttachmentWriter, unwritableFolderIsReportedAsFileNotOpened) {
    const auto report = AttachmentWriter::write(withAttachments({QStringLiteral("a")}),
                                                QStringLiteral("/nonexistent/folder"));
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::FileNotOpened);
    EXPECT_EQ(report.error.kind, Error::Kind::FolderNotOpened);
    EXPECT_EQ(report.error.path, QStringLiteral("/nonexistent/folder"));
    EXPECT_EQ(report.error.systemError, ENOENT);
}

TEST(AttachmentWriter, splitMessageIsReportedAsPartsMissing) {
    TempFolder dir;
    ReceivedMessage m;
    m.partsMissing = true;
    EXPECT_EQ(AttachmentWriter::write(m, dir.path()).outcome, AttachmentWriter::Outcome::PartsMissing);
}

TEST(AttachmentWriter, overlongNameIsShortenedKeepingItsExtension) {
    const QString longName = QString(300, QChar(u'あ')) + QStringLiteral(".pdf");
    const QString safe = AttachmentWriter::safeName(longName, 1);
    EXPECT_LE(safe.toUtf8().size(), 200);
    EXPECT_TRUE(safe.endsWith(QStringLiteral(".pdf")));
}

TEST(AttachmentWriter, controlCharactersAndOverlongNamesAreCleanedToValidNames) {
    struct Row {
        QString sent;
        QString saved;
    };
    const Row rows[] = {
        {QString::fromUtf16(u"a\0b.txt", 7), QStringLiteral("ab.txt")},
        {QStringLiteral("line\r\nbreak\t.txt"), QStringLiteral("linebreak.txt")},
        {QStringLiteral("del\x7F.txt"), QStringLiteral("del.txt")},
        {QString::fromUtf16(u"c1\u0085\u009B31m.txt"), QStringLiteral("c131m.txt")}, // NEL, CSI
        {QString::fromUtf16(u"evil\u202Etxt.exe"), QStringLiteral("eviltxt.exe")},   // right-to-left override
        {QStringLiteral("..."), QStringLiteral("attachment-6.bin")},
        {QStringLiteral(". . ."), QStringLiteral("attachment-7.bin")},
        {QStringLiteral("../../.."), QStringLiteral("attachment-8.bin")},
        {QStringLiteral("\x01\x02"), QStringLiteral("attachment-9.bin")},
    };
    for (const Row& r : rows) {
        const int index = int(&r - rows) + 1;
        EXPECT_EQ(AttachmentWriter::safeName(r.sent, index), r.saved) << r.sent.toStdString();
    }
    // 300 bytes of one-byte, three-byte and four-byte characters: cut to a
    // name the file system takes, never inside a character.
    for (const QString& name : {QString(300, u'x'), QString(100, u'あ') + QStringLiteral(".txt"),
                                QString::fromUtf16(u"\U0001F600").repeated(75)}) {
        const QString safe = AttachmentWriter::safeName(name, 1);
        EXPECT_LE(safe.toUtf8().size(), 200) << name.size();
        EXPECT_GT(safe.toUtf8().size(), 190) << name.size();
        EXPECT_TRUE(safe.isValidUtf16()) << "half a character left at the cut";
        EXPECT_TRUE(name.startsWith(safe.left(10)));
    }
}

TEST(AttachmentWriter, namesThatCollideAfterCleaningAreAllKept) {
    TempFolder parent;
    ASSERT_TRUE(QDir(parent.path()).mkdir(QStringLiteral("inbox")));
    const QString inbox = parent.file(QStringLiteral("inbox"));
    const QString longName = QString(300, u'y') + QStringLiteral(".dat");
    const auto report = AttachmentWriter::write(
        withAttachments({QStringLiteral("a/x.txt"), QStringLiteral("b\\x.txt"), QStringLiteral("x\x01.txt"),
                         QStringLiteral("../x.txt"), longName, u'y' + longName, QStringLiteral(".."),
                         QStringLiteral("...")}),
        inbox);
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written) << report.error.debugText().toStdString();
    ASSERT_EQ(report.writtenFiles.size(), 8);
    EXPECT_EQ(QDir(parent.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("inbox")});
    const QStringList files = QDir(inbox).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    EXPECT_EQ(files.size(), 8) << files.join(u',').toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(QFileInfo(report.writtenFiles[i]).fileName(),
                  i == 0 ? QStringLiteral("x.txt") : QStringLiteral("x (%1).txt").arg(i + 1));
    EXPECT_EQ(QFileInfo(report.writtenFiles[5]).fileName(), QString(196, u'y') + QStringLiteral(" (2).dat"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReadBytes(report.writtenFiles[i]), QByteArray("content ") + QByteArray::number(i + 1));
}
