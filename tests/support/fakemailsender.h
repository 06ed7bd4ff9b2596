#pragma once

#include <QStringList>
#include <memory>

#include "transport/mailsender.h"

// The way out of a send, played by the test: it keeps every mail it was
// asked to send, refuses the recipients named, and may end its connection
// for good at a recipient (as when the user refuses a login in clear).
class FakeMailSender : public MailSender {
  public:
    struct Log {
        QList<OutgoingMail> asked;
        int connections = 0;
        QStringList recipients() const {
            QStringList r;
            for (const OutgoingMail& m : asked)
                r << m.recipient;
            return r;
        }
    };
    static inline const QString kClosedText = QStringLiteral("接続を終えました。");

    QStringList refusing;
    QString closingAt;
    std::shared_ptr<Log> log = std::make_shared<Log>(); // shared by copies

    std::unique_ptr<MailConnection> open(const QString&) const override {
        ++log->connections;
        return std::make_unique<Connection>(refusing, closingAt, log);
    }

  private:
    class Connection : public MailConnection {
      public:
        Connection(QStringList refusing, QString closingAt, std::shared_ptr<Log> log)
            : refusing_(std::move(refusing)), closingAt_(std::move(closingAt)), log_(std::move(log)) {}
        Status send(const OutgoingMail& mail) override {
            log_->asked << mail;
            if (closed_ || mail.recipient == closingAt_) {
                closed_ = true;
                return Status::failure(kClosedText);
            }
            if (refusing_.contains(mail.recipient))
                return Status::failure(
                    QStringLiteral("550 5.1.1 <%1>: Recipient address rejected").arg(mail.recipient));
            return {};
        }
        bool closed() const override { return closed_; }

      private:
        QStringList refusing_;
        QString closingAt_;
        std::shared_ptr<Log> log_;
        bool closed_ = false;
    };
};
