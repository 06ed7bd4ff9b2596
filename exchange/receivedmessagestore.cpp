#include "exchange/receivedmessagestore.h"

#include "receive/receivedmail.h"
#include "store/mailfile.h"

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
    const ReceivedMail mail = ReceivedMail::prepare(raw, processor);
    if (mail.processed.failure)
        return {Stored::Kind::Failed, mail.processed, *mail.processed.failure};
    const Result<int> appended = MailFile::received(paths).append(mail.processed.record);
    if (!appended) {
        processor.discard(mail.processed);
        return {Stored::Kind::Failed, mail.processed, appended.error()};
    }
    return {Stored::Kind::Stored, mail.processed, {}, *appended, mail.message};
}

} // namespace ReceivedMessageStore
