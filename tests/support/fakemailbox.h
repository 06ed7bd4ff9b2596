#pragma once

#include <QMap>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>

#include "mime/outgoingmail.h"
#include "transport/mailbox.h"

// Every step, of the mailbox and of the received-mail file, goes into one
// log; a check's worker writes into it from its own thread.
class StepLog {
  public:
    void add(const QString& step) {
        const std::lock_guard lock(mutex_);
        steps_ << step;
    }
    QStringList steps() const {
        const std::lock_guard lock(mutex_);
        // A list of its own: were the buffer shared, the worker's next add
        // would reuse it once the copy is gone, through a reference count
        // the thread sanitizer cannot see in an uninstrumented Qt.
        return QStringList(steps_.cbegin(), steps_.cend());
    }

  private:
    mutable std::mutex mutex_;
    QStringList steps_;
};

// A message as a server would send it: the text, and each attachment as a
// part of its own.
inline QByteArray rawMessage(const ReceivedMessage& m) {
    auto base64 = [](const QByteArray& bytes) {
        QByteArray lines;
        const QByteArray encoded = bytes.toBase64();
        for (qsizetype at = 0; at < encoded.size(); at += 76)
            lines += encoded.mid(at, 76) + "\r\n";
        return lines;
    };
    const QByteArray head =
        "From: " + OutgoingMessage::encodeHeaderText(m.sender) + "\r\nDate: " + m.date.toLatin1() +
        "\r\nSubject: " + OutgoingMessage::encodeHeaderText(m.subject) + "\r\nMIME-Version: 1.0\r\n";
    const QByteArray text =
        "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        base64(m.body.toUtf8());
    if (m.attachments.isEmpty())
        return head + text;
    QByteArray raw = head + "Content-Type: multipart/mixed; boundary=\"part\"\r\n\r\n--part\r\n" + text;
    for (const MessageAttachment& a : m.attachments)
        raw += "--part\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; "
               "filename=\"" +
               a.name.toUtf8() + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + base64(a.content);
    return raw + "--part--\r\n";
}

// A POP3 mailbox played by the test: its messages, failures and a log of
// every command.
class FakeMailbox : public Mailbox {
  public:
    QList<ReceivedMessage> messages;
    QMap<int, QByteArray> rawBytes; // message n sent as these bytes instead of as messages[n - 1]
    std::shared_ptr<StepLog> log = std::make_shared<StepLog>(); // shared by copies
    std::optional<Error> connectError;
    std::optional<Error> loginError;
    QList<int> tooLarge;
    QStringList uidls; // by message; none: a server without UIDL
    bool quitConfirmed = true;
    // A refused DELE of a batch, reported when the batch is flushed.
    std::optional<Error> flushError;

    static Error refusedLogin() {
        return {.kind = Error::Kind::Login, .detail = QStringLiteral("-ERR [AUTH] Authentication failed.")};
    }

    Status connect(const QString& server) override {
        log->add(QStringLiteral("connect ") + server);
        return connectError ? Status::failure(*connectError) : Status();
    }
    Result<int> authenticate(const QString& id, const QString&, bool apop) override {
        log->add(QStringLiteral("auth %1 %2").arg(id).arg(apop));
        return loginError ? Result<int>::failure(*loginError) : Result<int>(int(messages.size()));
    }
    qint64 size(int n) const override { return messages.value(n - 1).body.size(); }
    QString uidl(int n) const override { return uidls.value(n - 1); }
    bool isTooLarge(int n) const override { return tooLarge.contains(n); }
    Result<QByteArray> fetchRaw(int n) override {
        log->add(QStringLiteral("fetch %1").arg(n));
        return rawBytes.contains(n) ? rawBytes.value(n) : rawMessage(messages.at(n - 1));
    }
    Status remove(int n) override {
        log->add(QStringLiteral("delete %1").arg(n));
        return {};
    }
    Status flushRemovals() override { return flushError ? Status::failure(*flushError) : Status(); }
    void close() override { log->add(QStringLiteral("close")); }
    bool removalsCommitted() const override { return quitConfirmed; }
};

inline ReceivedMessage mail(const QString& subject) {
    ReceivedMessage m;
    m.subject = subject;
    m.date = QStringLiteral("Mon, 07 Dec 2026 09:00:00 +0900");
    m.sender = QStringLiteral("a@example.jp");
    m.header = QStringLiteral("Subject: ") + subject;
    m.body = QStringLiteral("本文 ") + subject;
    return m;
}
