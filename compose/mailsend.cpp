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
        if (!p.sent() || !p.refusedRecipients.isEmpty())
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
    QList<qsizetype> handedOver; // passes whose outcome is still to come, oldest first
    for (int i = 1; i <= report.plannedPasses; ++i) {
        QString recipient = request.toText;
        if (request.sendToAll) {
            const auto record = book.ReadAddressRecord(i);
            if (!record) {
                report.refusal = record.error();
                break;
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
        connection->submit({recipient, request.sender, request.subject, request.body,
                            AttachmentList::paths(request.attachText)});
        report.passes.append({recipient});
        handedOver.append(report.passes.size() - 1);
        // This mail goes out while the server answers for the one before.
        if (handedOver.size() > 1)
            takeOutcome(*connection, request, report, handedOver.takeFirst());
    }
    while (!handedOver.isEmpty())
        takeOutcome(*connection, request, report, handedOver.takeFirst());
    return report;
}

void MailSend::takeOutcome(MailConnection& connection, const SendRequest& request, SendReport& report,
                           qsizetype index) const {
    const MailOutcome outcome = connection.result();
    SendPass& pass = report.passes[index];
    // Every later mail fails the same way (and would ask the same
    // question): the send stops, and says why once.
    if (!outcome.ok() && outcome.connectionEnded) {
        if (!report.refusal)
            report.refusal = outcome.failure;
        pass.tried = false;
        return;
    }
    pass.sendError = outcome.failure;
    if (!pass.sent())
        return;
    pass.refusedRecipients = outcome.refusedRecipients;
    if (!request.keepSentRecord)
        return;
    // Only a mail the server accepted goes into the sent history.
    const MailRecord record = SentRecord(request.subject, request.dateText, request.toText, request.body);
    if (const auto written = MailFile::sent(paths_).append(record); !written)
        pass.recordError = written.error();
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
    for (const SendPass& pass : passes) {
        if (pass.tried && !pass.sent())
            out.append(
                Error{.kind = Error::Kind::NotSent, .name = TrimSpaces(pass.recipient)}.because(
                    *pass.sendError));
        for (const Error& refused : pass.refusedRecipients)
            out.append(Error{.kind = Error::Kind::NotSent, .name = refused.name}.because(refused));
    }
    return out;
}
