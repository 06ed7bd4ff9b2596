#pragma once

#include <QStringList>
#include <deque>
#include <memory>

#include "mime/recipients.h"
#include "transport/mailsender.h"

// The way out of a send, played by the test: it notes every recipient it was
// asked to send to, refuses the addresses named (Refused; a mail goes to the
// others among its recipients), and may end its connection
// for good at one (ClearLoginDeclined, as when the user refuses a login in
// clear): nothing handed over after that reaches it.
class FakeMailSender : public MailSender {
  public:
    QStringList refusing;
    QString closingAt;
    std::shared_ptr<QStringList> asked = std::make_shared<QStringList>(); // shared by copies
    // "server: sender" of every mail handed over, shared by copies.
    std::shared_ptr<QStringList> sentAs = std::make_shared<QStringList>();

    std::unique_ptr<MailConnection> open(const QString& server) const override {
        return std::make_unique<Connection>(this, server);
    }

  private:
    // Lives within a send, which holds its sender.
    class Connection : public MailConnection {
      public:
        Connection(const FakeMailSender* sender, QString server)
            : sender_(sender), server_(std::move(server)) {}
        void submit(const OutgoingMail& mail) override {
            if (!closed_) {
                *sender_->asked << mail.recipient;
                *sender_->sentAs << server_ + QStringLiteral(": ") + mail.sender;
            }
            closed_ = closed_ || mail.recipient == sender_->closingAt;
            if (closed_)
                outcomes_.push_back(
                    {.failure = Error{.kind = Error::Kind::ClearLoginDeclined}, .connectionEnded = true});
            else
                outcomes_.push_back(outcomeFor(mail.recipient));
        }
        MailOutcome result() override {
            const MailOutcome outcome = outcomes_.front();
            outcomes_.pop_front();
            return outcome;
        }

      private:
        // Taken for the recipients not refused, refused with the first when none is left.
        MailOutcome outcomeFor(const QString& recipients) const {
            MailOutcome outcome;
            const QList<Recipient> all = ParseRecipients(recipients);
            for (const Recipient& r : all)
                if (sender_->refusing.contains(r.address))
                    outcome.refusedRecipients.append(
                        {.kind = Error::Kind::Refused,
                         .name = r.address,
                         .detail =
                             QStringLiteral("550 5.1.1 <%1>: Recipient address rejected").arg(r.address)});
            if (outcome.refusedRecipients.size() == all.size())
                return {.failure = outcome.refusedRecipients.value(0)};
            return outcome;
        }

        const FakeMailSender* sender_;
        QString server_;
        bool closed_ = false;
        std::deque<MailOutcome> outcomes_;
    };
};
