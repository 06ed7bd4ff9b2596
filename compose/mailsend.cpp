#include "compose/mailsend.h"

#include "compose/addresslist.h"
#include "compose/attachmentlist.h"
#include "compose/sentrecord.h"
#include "store/mailfile.h"
#include "text/text.h"

bool SendReport::allSent() const {
    if (!refusal.isEmpty())
        return false;
    for (const SendPass& p : passes)
        if (!p.sent())
            return false;
    return true;
}

MailSend::MailSend(AppPaths paths, SmtpSender smtp) : paths_(std::move(paths)), smtp_(smtp) {}

SendReport MailSend::run(const SendRequest& request) const {
    SendReport report;
    report.plannedPasses = request.sendToAll ? request.listEntries : 1;
    // Checked once, before the first mail leaves: a missing file must not
    // leave half of a send-to-all sent.
    if (Status readable = AttachmentList::checkReadable(request.attachText); !readable) {
        report.refusal = readable.error();
        return report;
    }
    const AddressFile book = AddressFile::book(paths_);
    // One connection serves every pass of a send-to-all.
    SmtpConnection connection = smtp_.connect(request.smtpServer);
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
        }
        report.passes.append(sendOne(connection, request, recipient));
    }
    return report;
}

SendPass MailSend::sendOne(SmtpConnection& connection, const SendRequest& request,
                           const QString& recipient) const {
    SendPass pass{recipient, {}, {}};
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

QString MailSend::statusText(const SendReport& report) {
    if (!report.allSent())
        return kSomeFailed;
    if (report.stoppedShort())
        return QStringLiteral("アドレス帳の%1件で終わりです。%1件を送信しました。").arg(report.passes.size());
    return kDone;
}

QString MailSend::errorText(const SendPass& pass) {
    return QStringLiteral("%1 へ送信できませんでした。\n%2").arg(TrimSpaces(pass.recipient), pass.sendError);
}

QStringList MailSend::errorTexts(const SendReport& report) {
    QStringList texts;
    if (!report.refusal.isEmpty())
        texts.append(report.refusal);
    for (const SendPass& pass : report.passes)
        if (!pass.sent())
            texts.append(errorText(pass));
    return texts;
}
