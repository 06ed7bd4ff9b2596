#include "transport/mailbox.h"

#include "mime/mimedecoder.h"

MailResult<ReceivedMessage> Mailbox::fetch(int n) {
    const MailResult<QByteArray> raw = fetchRaw(n);
    if (!raw)
        return MailResult<ReceivedMessage>::failure(raw.error());
    return MimeDecoder::decode(*raw);
}
