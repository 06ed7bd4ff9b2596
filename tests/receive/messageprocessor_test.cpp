#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>

#include "mime/htmlmailmarker.h"
#include "receive/messageprocessor.h"
#include "store/mailrecord.h"
#include "tests/support/childprocess.h"
#include "tests/support/errors.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

using K = Error::Kind;

class MessageProcessorTest : public testing::Test {
  protected:
    TempFolder root; // holds the application folder, so a test can see outside it
    QString appFolder = root.file(QStringLiteral("app"));
    AppPaths paths{appFolder};

    // One message received in a check of its own.
    ProcessedMessage processOnce(const ReceivedMessage& message) {
        MessageProcessor processor(paths);
        return processor.ProcessReceivedMessage(message);
    }

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(appFolder) && paths.ensureLayout().ok()); }

    static ReceivedMessage htmlMail(const QString& subject) {
        ReceivedMessage m;
        m.subject = subject;
        m.header = QStringLiteral("Subject: x");
        m.body = HtmlMailMarker;
        m.attachments = {{QStringLiteral("pic.png"), QByteArray("png")},
                         {QStringLiteral("index.htm"), QByteArray("<img src=pic.png>")}};
        return m;
    }
    QStringList entriesOf(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
};

} // namespace

TEST(HtmlMailMarker, isRecognisedExactlyAnywhereInTheBody) {
    EXPECT_TRUE(IsHtmlMail(QStringLiteral("HTML送信QFM5270XBNWRD4618")));
    EXPECT_TRUE(IsHtmlMail(QStringLiteral("前置き HTML送信QFM5270XBNWRD4618 後")));
    EXPECT_FALSE(IsHtmlMail(QStringLiteral("HTML送信qFM5270XBNWRD4618")));
    EXPECT_FALSE(IsHtmlMail(QStringLiteral("HTML送信")));
    EXPECT_EQ(ShiftJis::encode(HtmlMailMarker).size(), 25);
}

TEST_F(MessageProcessorTest, htmlMailLandsInItsOwnFolderAndInTheAttachmentFolder) {
    const ProcessedMessage p = processOnce(htmlMail(QStringLiteral("test")));
    EXPECT_TRUE(p.html);
    EXPECT_TRUE(p.hasAttachments);
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/test")),
              (QStringList{QStringLiteral("index.htm"), QStringLiteral("pic.png")}));
    EXPECT_EQ(filesIn(paths.attachmentFolder()),
              (QStringList{QStringLiteral("index.htm"), QStringLiteral("pic.png")}));
    EXPECT_TRUE(p.notices.isEmpty());
}

TEST_F(MessageProcessorTest, htmlFolderIsNamedFromTheSubjectAsItsRecordKeepsIt) {
    // The history finds the folder from the stored subject: it must be there.
    const QString longSubject = QString(60, QChar(u'あ'));
    const struct {
        QString subject;
        QString folder;
    } cases[] = {
        {longSubject, QString(50, QChar(u'あ'))}, // cut at 100 bytes
        {QStringLiteral("旅行") + QString::fromUtf16(u"\U0001F600"),
         QStringLiteral("旅行〓")}, // no Shift-JIS code
        {QStringLiteral("  spaced  "), QStringLiteral("spaced")},
        {QString(49, QChar(u'い')) + QStringLiteral("xう"),
         QString(49, QChar(u'い')) + u'x'}, // half a character cut
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject.toStdString());
        processOnce(htmlMail(c.subject));
        EXPECT_TRUE(QFileInfo(appFolder + u'/' + c.folder + QStringLiteral("/index.htm")).isFile());
        const MailRecord stored = MailRecord::fromBytes(
            MailRecord{TrimSpaces(c.subject), {}, MailRecord::kHtmlKind, {}, {}, 1}.toBytes());
        EXPECT_EQ(TrimSpaces(CutAtNul(stored.subject)), c.folder);
    }
}

TEST_F(MessageProcessorTest, secondHtmlMailWithTheSameSubjectGetsAFolderOfItsOwn) {
    (void)processOnce(htmlMail(QStringLiteral("test")));
    EXPECT_TRUE(processOnce(htmlMail(QStringLiteral("test"))).notices.isEmpty());
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/test")).size(), 2);
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/test (2)")).size(), 2);
    EXPECT_EQ(filesIn(paths.attachmentFolder()).size(), 4) << "earlier files are kept";
}

TEST_F(MessageProcessorTest, hostileSubjectsCreateNothingOutsideOrOverTheInstalledFolders) {
    const QStringList before = entriesOf(root.path());
    const QStringList appBefore = entriesOf(appFolder);
    for (const char16_t* subject :
         {u"../x", u"a/b", u"★MAilData", u"★maildata", u"添付フォルダ", u"", u"  ", u".", u"..", u"..\\x"}) {
        const ProcessedMessage p = processOnce(htmlMail(QString::fromUtf16(subject)));
        EXPECT_TRUE(p.html);
        EXPECT_EQ(kindsOf(p.notices), QList<K>{K::FolderUnusable})
            << QString::fromUtf16(subject).toStdString();
    }
    EXPECT_EQ(entriesOf(root.path()), before);
    EXPECT_EQ(entriesOf(appFolder), appBefore);
    EXPECT_TRUE(filesIn(paths.dataFolder()).isEmpty() ||
                filesIn(paths.dataFolder()) ==
                    (QStringList{QStringLiteral("orxdata2.data"), QStringLiteral("orxdata5.data")}));
}

TEST_F(MessageProcessorTest, attachmentNoteFollowsTheBodyOnlyWhenThereAreAttachments) {
    ReceivedMessage withFile;
    withFile.body = QStringLiteral("本文\r\n");
    withFile.attachments = {{QStringLiteral("a.txt"), QByteArray("a")}};
    EXPECT_EQ(processOnce(withFile).text,
              QStringLiteral("本文\r\n\r\n♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪"));

    ReceivedMessage mentionsTheWord;
    mentionsTheWord.body = QStringLiteral("see the attachment below");
    const ProcessedMessage p = processOnce(mentionsTheWord);
    EXPECT_FALSE(p.hasAttachments);
    EXPECT_EQ(p.text, QStringLiteral("see the attachment below"));
}

TEST_F(MessageProcessorTest, savedMessageFileHoldsTheMessageAndIsGoneWhenTheCheckEnds) {
    ReceivedMessage plain;
    plain.header = QStringLiteral("Subject: x\r\nFrom: a@x");
    plain.body = QStringLiteral("本文");
    const QString saved = paths.attachmentFolder() + QStringLiteral("/0.txt");
    {
        MessageProcessor check(paths);
        (void)check.ProcessReceivedMessage(plain);
        EXPECT_EQ(ReadBytes(saved), QByteArray("Subject: x\r\nFrom: a@x\r\n\x96\x7B\x95\xB6\r\n"));
        plain.body = QStringLiteral("next");
        (void)check.ProcessReceivedMessage(plain);
        EXPECT_EQ(ReadBytes(saved), QByteArray("Subject: x\r\nFrom: a@x\r\nnext\r\n"));
    }
    EXPECT_FALSE(QFileInfo::exists(saved));
    EXPECT_TRUE(filesIn(paths.attachmentFolder()).isEmpty());
}

TEST_F(MessageProcessorTest, anIncompleteSplitMessageIsReportedAndStillKept) {
    ReceivedMessage partial;
    partial.partsMissing = true;
    partial.attachments = {{QStringLiteral("part.bin"), "part"}};
    const ProcessedMessage p = processOnce(partial);
    EXPECT_EQ(kindsOf(p.notices), QList<K>{K::PartsMissing});
    EXPECT_FALSE(p.failure.has_value());
    EXPECT_EQ(filesIn(paths.attachmentFolder()), QStringList{QStringLiteral("part.bin")});
}

// A real full disk (a file size limit) or a real refusal (a folder's mode,
// which binds root too once its capabilities are dropped), in a child process.
TEST_F(MessageProcessorTest, aMessageThatCannotBeWrittenLeavesNothingBehindAndSaysWhy) {
    ReceivedMessage bigPage = htmlMail(QStringLiteral("大きなページ"));
    bigPage.attachments.append({QStringLiteral("big.bin"), QByteArray(3 << 20, 'b')});
    ReceivedMessage longText;
    longText.header = QStringLiteral("Subject: x");
    longText.body = QString(4000, u'x');
    const QString attachments = paths.attachmentFolder();
    const struct {
        const char* name;
        ReceivedMessage message;
        ChildLimits limits;
        QString readOnlyFolder;
        QString failure; // the error, as debugText gives it
    } rows[] = {
        {"html-mail-attachment-larger-than-the-disk",
         bigPage,
         {1 << 20, false},
         {},
         QStringLiteral("AttachmentNotWritten(big.bin, errno %1)").arg(EFBIG)},
        {"saved-message-larger-than-the-disk",
         longText,
         {1000, false},
         {},
         QStringLiteral("FileNotWritten(%1/0.txt, errno %2)").arg(attachments).arg(EFBIG)},
        {"html-mail-folder-refused",
         htmlMail(QStringLiteral("夏の便り")),
         {RLIM_INFINITY, true},
         appFolder,
         QStringLiteral("FolderNotCreated(%1/夏の便り, errno %2)").arg(appFolder).arg(EACCES)},
        {"attachment-folder-refused-after-the-html-folder",
         htmlMail(QStringLiteral("夏の便り")),
         {RLIM_INFINITY, true},
         attachments,
         QStringLiteral("AttachmentNotWritten(pic.png, errno %1)").arg(EACCES)},
    };
    auto everything = [&] {
        QStringList all;
        for (QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            all << it.next();
        all.sort();
        return all;
    };
    const QStringList before = everything();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (!row.readOnlyFolder.isEmpty())
            QFile::setPermissions(row.readOnlyFolder, QFile::ReadOwner | QFile::ExeOwner);
        const ChildResult child = RunInChild(row.limits, [&] {
            const ProcessedMessage p = processOnce(row.message);
            return (p.failure ? p.failure->debugText() : QString()) + u'\n' +
                   QString::number(p.notices.size());
        });
        if (!row.readOnlyFolder.isEmpty())
            QFile::setPermissions(row.readOnlyFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_EQ(child.exitCode, 0);
        EXPECT_EQ(child.output, row.failure + QStringLiteral("\n0"));
        EXPECT_EQ(everything(), before);
    }
}

TEST_F(MessageProcessorTest, hostileSubjectsMakeOnlyNewFoldersInsideAndOverwriteNothing) {
    WriteBytes(appFolder + QStringLiteral("/keep.txt"), QByteArray("mine"));
    ASSERT_TRUE(QDir(appFolder).mkdir(QStringLiteral("existing")));
    WriteBytes(appFolder + QStringLiteral("/existing/index.htm"), QByteArray("old"));
    const QStringList rootBefore = entriesOf(root.path());
    const QStringList appBefore = entriesOf(appFolder);

    const struct {
        QString subject;
        QString folder; // empty: no folder may be made
    } cases[] = {
        {QStringLiteral("a\nb\x1b[31m\t"), QStringLiteral("a\nb\x1b[31m\t")},
        {QString(300, u'x'), QString(100, u'x')},
        {QStringLiteral("..."), QStringLiteral("...")},
        {QStringLiteral(". ."), QStringLiteral(". .")},
        {QString(120, u'z'), QString(100, u'z')},
        {QString(130, u'z'), QString(100, u'z') + QStringLiteral(" (2)")}, // the same once cut to the field
        {QStringLiteral("keep.txt"), QStringLiteral("keep.txt (2)")},
        {QStringLiteral(" existing "), QStringLiteral("existing (2)")},
        {QString::fromUtf16(u"existing\0/../../x", 17), QStringLiteral("existing (3)")},
    };
    QStringList made;
    for (const auto& c : cases) {
        const ProcessedMessage p = processOnce(htmlMail(c.subject));
        if (c.folder.isEmpty()) {
            EXPECT_EQ(kindsOf(p.notices), QList<K>{K::FolderUnusable}) << c.subject.toStdString();
            continue;
        }
        EXPECT_TRUE(p.notices.isEmpty()) << c.subject.toStdString();
        EXPECT_EQ(filesIn(appFolder + u'/' + c.folder),
                  (QStringList{QStringLiteral("index.htm"), QStringLiteral("pic.png")}));
        made.append(c.folder);
    }
    EXPECT_EQ(entriesOf(root.path()), rootBefore);
    QStringList appAfter = entriesOf(appFolder);
    for (const QString& folder : made)
        EXPECT_TRUE(appAfter.removeOne(folder)) << folder.toStdString();
    EXPECT_EQ(appAfter, appBefore);
    EXPECT_EQ(ReadBytes(appFolder + QStringLiteral("/keep.txt")), QByteArray("mine"));
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/existing")), QStringList{QStringLiteral("index.htm")});
    EXPECT_EQ(ReadBytes(appFolder + QStringLiteral("/existing/index.htm")), QByteArray("old"));
    // Every mail's two files reached the attachment folder, none replaced.
    EXPECT_EQ(filesIn(paths.attachmentFolder()).size(), 2 * std::size(cases));
}
