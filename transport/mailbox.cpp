#include "transport/mailbox.h"

#include "mime/mimedecoder.h"

Result<ReceivedMessage> Mailbox::fetch(int n) {
    const Result<QByteArray> raw = fetchRaw(n);
    if (!raw)
        return Result<ReceivedMessage>::failure(raw.error());
    return MimeDecoder::decode(*raw);
}
