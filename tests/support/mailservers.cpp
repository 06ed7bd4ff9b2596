#include "tests/support/mailservers.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSslCertificate>
#include <QThread>
#include <QUrl>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <unistd.h>

#include "tests/support/testhttp.h"

namespace {

QHash<QString, QString> settings() {
    static const QHash<QString, QString> values = [] {
        QHash<QString, QString> v;
        const QString root = qEnvironmentVariable("FENNICK_MAILSERVERS");
        QFile f(root + QStringLiteral("/servers.env"));
        if (root.isEmpty() || !f.open(QIODevice::ReadOnly))
            return v;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                v.insert(QString::fromLatin1(line.left(eq)), QString::fromLatin1(line.mid(eq + 1).trimmed()));
        }
        return v;
    }();
    return values;
}

QString postfixLog() {
    return settings().value(QStringLiteral("MAIL_ROOT")) + QStringLiteral("/log/postfix.log");
}

int countFiles(const QString& folder) {
    return int(QDir(folder).entryList(QDir::Files).size());
}

} // namespace

bool TestMailServers::available() {
    if (settings().isEmpty()) {
        ADD_FAILURE()
            << "the test mail servers are not running (FENNICK_MAILSERVERS); run the tests through ctest";
        return false;
    }
    return true;
}

QString TestMailServers::pop3Server() {
    return QStringLiteral("127.0.0.1:") + settings().value(QStringLiteral("POP3_PORT"));
}
QString TestMailServers::pop3PlainServer() {
    return QStringLiteral("127.0.0.1:") + settings().value(QStringLiteral("POP3_PLAIN_PORT"));
}
QString TestMailServers::pop3sServer() {
    return QStringLiteral("pop3s://127.0.0.1:") + settings().value(QStringLiteral("POP3S_PORT"));
}

QString TestMailServers::certificateFingerprint() {
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(
        settings().value(QStringLiteral("MAIL_ROOT")) + QStringLiteral("/tls/cert.pem"));
    if (certificates.isEmpty())
        return {};
    return QString::fromLatin1(certificates.first().digest(QCryptographicHash::Sha256).toHex(':').toUpper());
}

CertificateTrust TestMailServers::trust() {
    // In the servers' folder, written whole by every test program that asks.
    static const QString file = [] {
        const QString path =
            qEnvironmentVariable("FENNICK_MAILSERVERS") + QStringLiteral("/trusted-certificates");
        QSaveFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write("127.0.0.1 " + certificateFingerprint().toLatin1() + '\n');
        (void)f.commit();
        return path;
    }();
    return CertificateTrust(file, {});
}
QString TestMailServers::smtpServer() {
    return QStringLiteral("127.0.0.1:") + settings().value(QStringLiteral("SMTP_PORT"));
}

QString TestMailServers::submissionServer() {
    return QStringLiteral("smtp://127.0.0.1:") + settings().value(QStringLiteral("SUBMISSION_PORT"));
}
QString TestMailServers::smtpsServer() {
    return QStringLiteral("smtps://127.0.0.1:") + settings().value(QStringLiteral("SMTPS_PORT"));
}
QString TestMailServers::submissionPlainServer() {
    return QStringLiteral("127.0.0.1:") + settings().value(QStringLiteral("SUBMISSION_PLAIN_PORT"));
}

QString TestMailServers::oauthServer() {
    return QStringLiteral("http://127.0.0.1:") + settings().value(QStringLiteral("OAUTH_PORT"));
}
QString TestMailServers::pop3sOAuthServer() {
    return QStringLiteral("pop3s://127.0.0.1:") + settings().value(QStringLiteral("POP3S_OAUTH_PORT"));
}
QString TestMailServers::submissionOAuthServer() {
    return QStringLiteral("smtp://127.0.0.1:") + settings().value(QStringLiteral("SUBMISSION_OAUTH_PORT"));
}

void TestMailServers::revokeToken(const QString& token) {
    const TestHttpReply reply = TestHttpRequest(QUrl(oauthServer() + QStringLiteral("/revoke")),
                                                "token=" + QUrl::toPercentEncoding(token));
    EXPECT_EQ(reply.status, 200) << "the authorization server did not revoke the token";
}

namespace {

// Follows the queue ID of the mail to the smtpd process that took it, and
// that process's next "disconnect" line: the end of the same session.
std::optional<TestMailServers::SmtpSession> findSmtpSession(const QString& log, const QString& sender) {
    const QRegularExpressionMatch queued =
        QRegularExpression(
            QStringLiteral(R"(qmgr\[\d+\]: (\w+): from=<%1>,)").arg(QRegularExpression::escape(sender)))
            .match(log);
    if (!queued.hasMatch())
        return std::nullopt;
    const QRegularExpressionMatch client =
        QRegularExpression(QStringLiteral(R"(smtpd\[(\d+)\]: %1: client=[^,\n]*(?:, sasl_method=([^,\n]+))?)")
                               .arg(queued.captured(1)))
            .match(log);
    if (!client.hasMatch())
        return std::nullopt;
    const QRegularExpressionMatch end =
        QRegularExpression(
            QStringLiteral(R"(smtpd\[%1\]: disconnect from \S+ ([^\n]*))").arg(client.captured(1)))
            .match(log, client.capturedEnd());
    if (!end.hasMatch())
        return std::nullopt;
    return TestMailServers::SmtpSession{client.captured(2), end.captured(1)};
}

} // namespace

TestMailServers::SmtpSession TestMailServers::smtpSession(const QString& sender) {
    QFile file(postfixLog());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        if (file.open(QIODevice::ReadOnly)) {
            const std::optional<SmtpSession> session =
                findSmtpSession(QString::fromUtf8(file.readAll()), sender);
            file.close();
            if (session)
                return *session;
        }
        QThread::msleep(50);
    }
    ADD_FAILURE() << "no finished SMTP session from " << sender.toStdString() << " in Postfix's log";
    return {};
}

qint64 TestMailServers::postfixLogEnd() {
    return QFileInfo(postfixLog()).size();
}

QStringList TestMailServers::plainSubmissionSessionsWithoutMail(qint64 logEnd) {
    const QRegularExpression disconnect(
        QStringLiteral(R"(postfix/submission-plain/smtpd\[\d+\]: disconnect from \S+ ([^\n]*))"));
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        QFile file(postfixLog());
        QStringList sessions;
        if (file.open(QIODevice::ReadOnly) && file.seek(logEnd))
            for (const QRegularExpressionMatch& m : disconnect.globalMatch(QString::fromUtf8(file.readAll())))
                if (!m.captured(1).contains(QStringLiteral("mail=")))
                    sessions << m.captured(1);
        if (!sessions.isEmpty())
            return sessions;
        QThread::msleep(50);
    }
    ADD_FAILURE() << "no session without mail on the plain submission port in Postfix's log";
    return {};
}

TestAccount TestMailServers::claimAccount() {
    const QString root = settings().value(QStringLiteral("MAIL_ROOT"));
    for (int i = 1; i <= 200; ++i) {
        const QString name = QStringLiteral("u%1").arg(i);
        if (QDir().mkdir(root + QStringLiteral("/claims/") + name))
            return {name, QStringLiteral("pw-") + name,
                    name + u'@' + settings().value(QStringLiteral("MAIL_DOMAIN")),
                    root + QStringLiteral("/mail/") + name};
    }
    ADD_FAILURE() << "no test account left";
    return {};
}

int TestMailServers::waitingMessages(const TestAccount& account) {
    return countFiles(account.maildir + QStringLiteral("/new")) +
           countFiles(account.maildir + QStringLiteral("/cur"));
}

bool TestMailServers::waitForMessages(const TestAccount& account, int count) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 20000) {
        if (waitingMessages(account) >= count)
            return true;
        QThread::msleep(50);
    }
    return false;
}

void TestMailServers::deliver(const TestAccount& account, const QByteArray& message) {
    static std::atomic<int> serial{0};
    const QString name = QStringLiteral("%1.%2_%3.fennick-test")
                             .arg(QDateTime::currentSecsSinceEpoch())
                             .arg(getpid())
                             .arg(serial++, 6, 10, QChar(u'0'));
    const QString tmp = account.maildir + QStringLiteral("/tmp/") + name;
    QFile f(tmp);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(message);
    f.close();
    ASSERT_EQ(::chown(QFile::encodeName(tmp).constData(), 8, 8), 0);
    ASSERT_TRUE(QFile::rename(tmp, account.maildir + QStringLiteral("/new/") + name));
}
