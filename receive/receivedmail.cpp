#include "receive/receivedmail.h"

#include "mime/mimedecoder.h"
#include "text/text.h"

ReceivedMail ReceivedMail::prepare(QByteArrayView raw, MessageProcessor& processor) {
    ReceivedMail mail;
    ReceivedMessage& m = mail.message;
    m = MimeDecoder::decode(raw);
    m.subject = CutAtNul(m.subject);
    m.date = CutAtNul(m.date);
    m.sender = CutAtNul(m.sender);
    m.header = CutAtNul(m.header);
    m.body = CutAtNul(m.body);
    mail.processed = processor.ProcessReceivedMessage(m);
    return mail;
}
