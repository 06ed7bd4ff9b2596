#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "mime/htmlmailmarker.h"
#include "receive/messageprocessor.h"
#include "store/mailrecord.h"
#include "tests/support/recordingnotifier.h"
#include "tests/support/tempfolder.h"
#include "text/shiftjis.h"
#include "text/text.h"

namespace {

class MessageProcessorTest : public testing::Test {
  protected:
    TempFolder root; // holds the application folder, so a test can see outside it
    QString appFolder = root.file(QStringLiteral("app"));
    AppPaths paths{appFolder};
    RecordingNotifier notifier;

    // One message received in a check of its own.
    ProcessedMessage processOnce(const ReceivedMessage& message) {
        MessageProcessor processor(paths, notifier);
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
    QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }
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
    EXPECT_TRUE(notifier.notices.isEmpty());
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

TEST_F(MessageProcessorTest, secondHtmlMailWithTheSameSubjectGoesOnlyToTheAttachmentFolder) {
    (void)processOnce(htmlMail(QStringLiteral("test")));
    (void)processOnce(htmlMail(QStringLiteral("test")));
    ASSERT_EQ(notifier.notices.size(), 1);
    EXPECT_EQ(notifier.notices[0].text, QStringLiteral("フォルダを作成できませんでした"));
    EXPECT_EQ(notifier.notices[0].title, QStringLiteral("Fennick"));
    EXPECT_EQ(filesIn(appFolder + QStringLiteral("/test")).size(), 2);
    EXPECT_EQ(filesIn(paths.attachmentFolder()).size(), 4) << "earlier files are kept";
}

TEST_F(MessageProcessorTest, hostileSubjectsCreateNothingOutsideOrOverTheInstalledFolders) {
    const QStringList before = entriesOf(root.path());
    const QStringList appBefore = entriesOf(appFolder);
    for (const char16_t* subject :
         {u"../x", u"a/b", u"★MAilData", u"★maildata", u"添付フォルダ", u"", u"  ", u".", u"..", u"..\\x"}) {
        notifier.notices.clear();
        const ProcessedMessage p = processOnce(htmlMail(QString::fromUtf16(subject)));
        EXPECT_TRUE(p.html);
        ASSERT_EQ(notifier.notices.size(), 1) << QString::fromUtf16(subject).toStdString();
        EXPECT_EQ(notifier.notices[0].text, QStringLiteral("フォルダを作成できませんでした"));
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
        MessageProcessor check(paths, notifier);
        (void)check.ProcessReceivedMessage(plain);
        EXPECT_EQ(ReadBytes(saved), QByteArray("Subject: x\r\nFrom: a@x\r\n\x96\x7B\x95\xB6\r\n"));
        plain.body = QStringLiteral("next");
        (void)check.ProcessReceivedMessage(plain);
        EXPECT_EQ(ReadBytes(saved), QByteArray("Subject: x\r\nFrom: a@x\r\nnext\r\n"));
    }
    EXPECT_FALSE(QFileInfo::exists(saved));
    EXPECT_TRUE(filesIn(paths.attachmentFolder()).isEmpty());
}

TEST_F(MessageProcessorTest, unpackingFailuresAreReportedWithTheirMessages) {
    ReceivedMessage partial;
    partial.partsMissing = true;
    (void)processOnce(partial);
    EXPECT_EQ(notifier.texts(), QStringList{QStringLiteral("分割されたメールが全て揃っていません")});
    notifier.notices.clear();
    ReceivedMessage file;
    file.attachments = {{QStringLiteral("a.txt"), QByteArray("a")}};
    QDir(paths.attachmentFolder()).removeRecursively();
    (void)processOnce(file);
    EXPECT_EQ(notifier.texts(), QStringList{QStringLiteral("添付ファイルをオープンできません")});
}
