#pragma once

#include <QStringList>
#include <memory>

#include "transport/mailsender.h"

// The way out of a send, played by the test: it notes every recipient it was
// asked to send to, refuses those named (Refused), and may end its connection
// for good at one (ClearLoginDeclined, as when the user refuses a login in clear).
class FakeMailSender : public MailSender {
  public:
    QStringList refusing;
    QString closingAt;
    std::shared_ptr<QStringList> asked = std::make_shared<QStringList>(); // shared by copies

    std::unique_ptr<MailConnection> open(const QString&) const override {
        return std::make_unique<Connection>(this);
    }

  private:
    // Lives within a send, which holds its sender.
    class Connection : public MailConnection {
      public:
        explicit Connection(const FakeMailSender* sender) : sender_(sender) {}
        Status send(const OutgoingMail& mail) override {
            *sender_->asked << mail.recipient;
            closed_ = closed_ || mail.recipient == sender_->closingAt;
            if (closed_)
                return Status::failure({.kind = Error::Kind::ClearLoginDeclined});
            if (sender_->refusing.contains(mail.recipient))
                return Status::failure(
                    {.kind = Error::Kind::Refused,
                     .detail =
                         QStringLiteral("550 5.1.1 <%1>: Recipient address rejected").arg(mail.recipient)});
            return {};
        }
        bool closed() const override { return closed_; }

      private:
        const FakeMailSender* sender_;
        bool closed_ = false;
    };
};
