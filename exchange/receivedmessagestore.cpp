#include "exchange/receivedmessagestore.h"

#include "mime/mimedecoder.h"
#include "store/mailfile.h"
#include "text/text.h"

namespace ReceivedMessageStore {

bool looksLikeMessage(QByteArrayView raw) {
    // "Name:" with a field name of printable ASCII (RFC 5322 2.2), or an
    // mbox-style "From " line some .eml writers leave at the top.
    qsizetype i = 0;
    while (i < raw.size() && raw.at(i) > ' ' && raw.at(i) < 127 && raw.at(i) != ':')
        ++i;
    return (i > 0 && i < raw.size() && raw.at(i) == ':') || raw.startsWith("From ");
}

Stored store(QByteArrayView raw, MessageProcessor& processor, const AppPaths& paths) {
    if (!looksLikeMessage(raw))
        return {Stored::Kind::NotAMessage, {}, {}};
    ReceivedMessage message = MimeDecoder::decode(raw);
    message.subject = CutAtNul(message.subject);
    message.date = CutAtNul(message.date);
    message.sender = CutAtNul(message.sender);
    message.header = CutAtNul(message.header);
    message.body = CutAtNul(message.body);
    ProcessedMessage processed = processor.ProcessReceivedMessage(message);
    if (!processed.failure.isEmpty())
        return {Stored::Kind::Failed, {}, processed.failure};
    const MailRecord record{TrimSpaces(message.subject),
                            TrimSpaces(message.date),
                            processed.html ? MailRecord::kHtmlKind : MailRecord::kTextKind,
                            TrimSpaces(message.sender),
                            TrimSpaces(CutAtNul(processed.text)),
                            1};
    const Result<int> appended = MailFile::received(paths).append(record);
    if (!appended) {
        processor.discard(processed);
        return {Stored::Kind::Failed, {}, appended.error()};
    }
    return {Stored::Kind::Stored, processed, {}};
}

} // namespace ReceivedMessageStore
