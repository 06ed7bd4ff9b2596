#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    EXPECT_EQ(report.outcome, AttachmentWriter::Outcome::Written) << report.error.toStdString();
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
    EXPECT_FALSE(report.error.isEmpty());
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
