#include "compose/mailsend.h"

#include "compose/addresslist.h"
#include "compose/attachmentlist.h"
#include "compose/sentrecord.h"
#include "store/mailfile.h"
#include "text/text.h"

bool SendReport::allSent() const {
    if (refusal)
        return false;
    for (const SendPass& p : passes)
        if (!p.sent())
            return false;
    return true;
}

MailSend::MailSend(AppPaths paths, std::shared_ptr<const MailSender> sender)
    : paths_(std::move(paths)), sender_(std::move(sender)) {}

SendReport MailSend::run(const SendRequest& request) const {
    SendReport report;
    report.sendToAll = request.sendToAll;
    report.plannedPasses = request.sendToAll ? request.listEntries : 1;
    // Checked once, before the first mail leaves: a missing file must not
    // leave half of a send-to-all sent.
    if (Status readable = AttachmentList::checkReadable(request.attachText); !readable) {
        report.refusal = readable.error();
        return report;
    }
    const AddressFile book = AddressFile::book(paths_);
    // One connection serves every pass of a send-to-all.
    const std::unique_ptr<MailConnection> connection = sender_->open(request.smtpServer);
    for (int i = 1; i <= report.plannedPasses; ++i) {
        QString recipient = request.toText;
        if (request.sendToAll) {
            const auto record = book.ReadAddressRecord(i);
            if (!record) {
                report.refusal = record.error();
                return report;
            }
            // The list may have come from another file with more entries
            // than the address book has records: stop at its last one.
            if (!record->has_value())
                break;
            recipient = TrimSpaces(CutAtNul((*record)->address));
            if (request.alreadyReached.contains(recipient)) {
                ++report.skipped;
                continue;
            }
        }
        if (report.refusal) {
            report.passes.append({recipient, {}, {}, false});
            continue;
        }
        SendPass pass = sendOne(*connection, request, recipient);
        // Every later mail would fail the same way (and ask the same
        // question): the send stops, and says why once.
        if (!pass.sent() && connection->closed()) {
            report.refusal = pass.sendError;
            pass = {recipient, {}, {}, false};
        }
        report.passes.append(pass);
    }
    return report;
}

SendPass MailSend::sendOne(MailConnection& connection, const SendRequest& request,
                           const QString& recipient) const {
    SendPass pass{recipient};
    const OutgoingMail mail{recipient, request.sender, request.subject, request.body,
                            AttachmentList::paths(request.attachText)};
    if (Status sent = connection.send(mail); !sent) {
        pass.sendError = sent.error();
        return pass;
    }
    if (!request.keepSentRecord)
        return pass;
    // Only a mail the server accepted goes into the sent history.
    const MailRecord record = SentRecord(request.subject, request.dateText, request.toText, request.body);
    if (const auto written = MailFile::sent(paths_).append(record); !written)
        pass.recordError = written.error();
    return pass;
}

QStringList SendReport::missed() const {
    QStringList out;
    for (const SendPass& pass : passes)
        if (!pass.sent())
            out << TrimSpaces(pass.recipient);
    return out;
}

QList<Error> SendReport::errors() const {
    QList<Error> out;
    if (refusal)
        out.append(*refusal);
    for (const SendPass& pass : passes)
        if (pass.tried && !pass.sent())
            out.append(Error{.kind = Error::Kind::NotSent, .name = TrimSpaces(pass.recipient)}.because(
                *pass.sendError));
    return out;
}
