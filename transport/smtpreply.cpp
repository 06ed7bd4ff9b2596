#include "transport/smtpreply.h"

namespace {

// "250", "250 text", "250-text": three digits, then nothing, a space or a hyphen.
bool isReplyLine(const QByteArray& line) {
    const auto digit = [&](qsizetype i) { return line[i] >= '0' && line[i] <= '9'; };
    return line.size() >= 3 && digit(0) && digit(1) && digit(2) &&
           (line.size() == 3 || line[3] == ' ' || line[3] == '-');
}

} // namespace

QList<QByteArray> SmtpReply::texts() const {
    QList<QByteArray> out;
    for (const QByteArray& line : lines)
        out.append(line.mid(4));
    return out;
}

QString SmtpReply::words() const {
    QByteArray text;
    for (const QByteArray& line : lines)
        text += (text.isEmpty() ? "" : "\n") + line;
    return QString::fromUtf8(text);
}

Result<SmtpReply> SmtpReply::read(LineReader& reader, qint64 deadlineMillis) {
    SmtpReply reply;
    qsizetype bytes = 0;
    QByteArray line;
    do {
        if (!reader.readLine(line, deadlineMillis))
            return Result<SmtpReply>::failure(reader.error());
        bytes += line.size();
        if (!isReplyLine(line) || bytes > kMaxBytes)
            return Result<SmtpReply>::failure(
                {.kind = Error::Kind::NotSmtp, .detail = QString::fromUtf8(line.left(200))});
        reply.lines.append(line);
    } while (line.size() > 3 && line[3] == '-');
    reply.code = line.left(3).toInt();
    return reply;
}
