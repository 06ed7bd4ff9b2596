// Line breaks and other control characters in what the user sends never start a
// header of their own: proved on the mails Postfix delivers.
#include <QDir>
#include <QMap>
#include <QSet>
#include <gtest/gtest.h>

#include "mime/headertext.h"
#include "mime/mimedecoder.h"
#include "tests/support/errors.h"
#include "tests/support/mailservers.h"
#include "tests/support/tempfolder.h"
#include "transport/smtpsender.h"

namespace {

// The delivered file's header block, one entry per header (folded lines
// joined). Postfix stores LF line ends.
QList<QByteArray> headersOf(const QByteArray& delivered) {
    const QByteArray normal = QByteArray(delivered).replace("\r\n", "\n");
    QList<QByteArray> headers;
    for (const QByteArray& line : normal.left(normal.indexOf("\n\n")).split('\n')) {
        if (!headers.isEmpty() && (line.startsWith(' ') || line.startsWith('\t')))
            headers.back() += line;
        else
            headers.append(line);
    }
    return headers;
}

int countHeaders(const QList<QByteArray>& headers, const QByteArray& name) {
    int n = 0;
    for (const QByteArray& h : headers)
        if (h.toLower().startsWith(name.toLower() + ':'))
            ++n;
    return n;
}

QByteArray headerNamed(const QByteArray& delivered, const QByteArray& name) {
    for (const QByteArray& h : headersOf(delivered))
        if (h.startsWith(name + ':'))
            return h;
    return {};
}

// The delivered files, by path.
QMap<QString, QByteArray> deliveredFiles(const TestAccount& account) {
    QMap<QString, QByteArray> files;
    for (const char* sub : {"/new", "/cur"}) {
        QDir dir(account.maildir + QLatin1String(sub));
        for (const QString& name : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                files.insert(f.fileName(), f.readAll());
        }
    }
    return files;
}

class OutgoingHeaders : public testing::Test {
  protected:
    void SetUp() override {
        if (!TestMailServers::available())
            GTEST_SKIP();
        account = TestMailServers::claimAccount();
        bystander = TestMailServers::claimAccount();
        smuggled = QStringLiteral("\r\nBcc: ") + bystander.address;
    }

    // Sends `mail` and returns the file Postfix delivered for it.
    QByteArray sendAndFetch(const OutgoingMail& mail) {
        const MailOutcome sent = SmtpSender().send(TestMailServers::smtpServer(), mail);
        EXPECT_TRUE(sent.ok()) << testing::PrintToString(sent.error());
        EXPECT_TRUE(TestMailServers::waitForMessages(account, seen.size() + 1));
        const QMap<QString, QByteArray> files = deliveredFiles(account);
        for (auto it = files.begin(); it != files.end(); ++it)
            if (!seen.contains(it.key())) {
                seen.insert(it.key());
                return it.value();
            }
        return {};
    }

    // Sends a mail with `subject`; the subject as it arrived.
    QString arrivedSubject(const QString& subject) {
        const QByteArray m = sendAndFetch(
            {account.address, QStringLiteral("me@fennick.test"), subject, QStringLiteral("本文"), {}});
        expectOneHeaderSet(m);
        return MimeDecoder::decode(m).subject;
    }

    // One set of headers, none smuggled in, and the body where it belongs.
    static void expectOneHeaderSet(const QByteArray& delivered) {
        const QList<QByteArray> headers = headersOf(delivered);
        for (const char* name : {"From", "To", "Subject", "Date", "Message-ID", "MIME-Version"})
            EXPECT_EQ(countHeaders(headers, name), 1) << name;
        for (const QByteArray& line : delivered.split('\n'))
            EXPECT_FALSE(line.toLower().startsWith("bcc")) << line.constData();
        EXPECT_EQ(MimeDecoder::decode(delivered).body.trimmed(), QStringLiteral("本文"));
    }

    TestAccount account;
    TestAccount bystander;
    QString smuggled;
    QSet<QString> seen;
};

} // namespace

TEST_F(OutgoingHeaders, lineBreaksInSubjectNamesAndFileNamesStayInsideTheirHeader) {
    // Typed or pasted: a bell and a vertical tab as well.
    EXPECT_EQ(arrivedSubject(QStringLiteral("Hello\a\v") + smuggled),
              QStringLiteral("Hello Bcc: ") + bystander.address);
    // Carried into a reply from a received subject whose encoded word holds
    // the line break.
    const QString received =
        HeaderText::decode("=?UTF-8?B?" + (QStringLiteral("お知らせ") + smuggled).toUtf8().toBase64() + "?=");
    ASSERT_TRUE(received.contains(u'\n'));
    EXPECT_EQ(arrivedSubject(QStringLiteral("Re: ") + received),
              QStringLiteral("Re: お知らせ Bcc: ") + bystander.address);
    // In the recipient's name, ASCII and Japanese.
    for (const QString& name : {QStringLiteral("Bob"), QStringLiteral("山田")}) {
        const QByteArray m = sendAndFetch({name + smuggled + QStringLiteral(" <") + account.address + u'>',
                                           QStringLiteral("me@fennick.test"),
                                           QStringLiteral("件名"),
                                           QStringLiteral("本文"),
                                           {}});
        expectOneHeaderSet(m);
        const QByteArray to = headerNamed(m, "To");
        EXPECT_TRUE(to.endsWith('<' + account.address.toLatin1() + '>')) << to.constData();
    }
    // In an attachment's file name, ASCII and Japanese.
    TempFolder dir;
    for (const QString& base : {QStringLiteral("report"), QStringLiteral("報告")}) {
        const QString path = dir.file(base + smuggled + QStringLiteral(".txt"));
        WriteBytes(path, "attached\n");
        const QByteArray m = sendAndFetch({account.address,
                                           QStringLiteral("me@fennick.test"),
                                           QStringLiteral("件名"),
                                           QStringLiteral("本文"),
                                           {path}});
        expectOneHeaderSet(m);
        const ReceivedMessage back = MimeDecoder::decode(m);
        ASSERT_EQ(back.attachments.size(), 1) << m.constData();
        EXPECT_EQ(back.attachments[0].name,
                  base + QStringLiteral(" Bcc: ") + bystander.address + QStringLiteral(".txt"));
    }
    EXPECT_EQ(TestMailServers::waitingMessages(bystander), 0);
}

TEST_F(OutgoingHeaders, anEnvelopeAddressWithALineBreakIsRefusedAndNothingIsSent) {
    const MailOutcome badRecipient =
        SmtpSender().send(TestMailServers::smtpServer(), {account.address + smuggled,
                                                          QStringLiteral("me@fennick.test"),
                                                          QStringLiteral("件名"),
                                                          QStringLiteral("本文"),
                                                          {}});
    ASSERT_FALSE(badRecipient.ok());
    EXPECT_EQ(badRecipient.error().kind, Error::Kind::BadRecipient);
    // A control character that is not a line break is refused as well.
    const MailOutcome nulRecipient =
        SmtpSender().send(TestMailServers::smtpServer(), {account.address + QChar(u'\0') + bystander.address,
                                                          QStringLiteral("me@fennick.test"),
                                                          QStringLiteral("件名"),
                                                          QStringLiteral("本文"),
                                                          {}});
    EXPECT_FALSE(nulRecipient.ok());
    const MailOutcome badSender =
        SmtpSender().send(TestMailServers::smtpServer(), {account.address,
                                                          QStringLiteral("me@fennick.test") + smuggled,
                                                          QStringLiteral("件名"),
                                                          QStringLiteral("本文"),
                                                          {}});
    ASSERT_FALSE(badSender.ok());
    EXPECT_EQ(badSender.error().kind, Error::Kind::BadSender);

    // A good mail afterwards is the only one either account receives.
    sendAndFetch({account.address,
                  QStringLiteral("me@fennick.test"),
                  QStringLiteral("件名"),
                  QStringLiteral("本文"),
                  {}});
    EXPECT_EQ(TestMailServers::waitingMessages(account), 1);
    EXPECT_EQ(TestMailServers::waitingMessages(bystander), 0);
}

TEST_F(OutgoingHeaders, aNonAsciiSenderAddressGoesOutEncoded) {
    const QString own = QStringLiteral("やまだ@fennick.test");
    const QByteArray m =
        sendAndFetch({account.address, own, QStringLiteral("件名"), QStringLiteral("本文"), {}});
    expectOneHeaderSet(m);
    const QByteArray from = headerNamed(m, "From");
    for (char c : from)
        ASSERT_LT(static_cast<unsigned char>(c), 0x80) << from.constData();
    EXPECT_EQ(MimeDecoder::decode(m).sender, own);
}
