#include "store/mailrecord.h"

#include "text/shiftjis.h"
#include "text/text.h"

namespace {

QString field(QByteArrayView bytes, qsizetype offset, qsizetype width) {
    return ShiftJis::decode(bytes.sliced(offset, width));
}

} // namespace

QByteArray MailRecord::toBytes() const {
    QByteArray out;
    out.reserve(kSize);
    out += ShiftJis::encodeField(subject, kSubjectWidth);
    out += ShiftJis::encodeField(date, kDateWidth);
    out += ShiftJis::encodeField(kind, kKindWidth);
    out += ShiftJis::encodeField(party, kPartyWidth);
    out += ShiftJis::encodeField(body, kBodyWidth);
    out += "\r\n";
    out += char(quint16(live) & 0xFF);
    out += char(quint16(live) >> 8);
    return out;
}

MailRecord MailRecord::fromBytes(QByteArrayView bytes) {
    MailRecord r;
    r.subject = field(bytes, kSubjectOffset, kSubjectWidth);
    r.date = field(bytes, kDateOffset, kDateWidth);
    r.kind = field(bytes, kKindOffset, kKindWidth);
    r.party = field(bytes, kPartyOffset, kPartyWidth);
    r.body = field(bytes, kBodyOffset, kBodyWidth);
    const auto lo = static_cast<unsigned char>(bytes.at(kLiveOffset));
    const auto hi = static_cast<unsigned char>(bytes.at(kLiveOffset + 1));
    r.live = qint16(quint16(lo | (hi << 8)));
    return r;
}

MailListColumns MailListColumns::fromBytes(QByteArrayView head) {
    using R = MailRecord;
    return {field(head, R::kSubjectOffset, R::kSubjectWidth), field(head, R::kDateOffset, R::kDateWidth),
            field(head, R::kKindOffset, R::kKindWidth), field(head, R::kPartyOffset, R::kPartyWidth)};
}
