#include "settings/serversettings.h"

#include <QFile>
#include <QSaveFile>
#include <cmath>

#include "text/shiftjis.h"

int LeadingNumberRounded(const QString& text) {
    QString number;
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool dot = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit() && c.unicode() < 0x80)
            number += c;
        else if (c == u'.' && !dot) {
            dot = true;
            number += c;
        } else
            break;
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding mode is half to even
    return int(std::clamp(rounded, -32768.0, 32767.0));
}

ServerSettings ServerSettings::read(const QString& path) {
    ServerSettings s;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return s;
    for (QByteArray line : f.readAll().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString text = ShiftJis::decode(line);
        const QString key = text.left(5);
        const QString value = text.mid(5, kMaxValueChars);
        if (key == QStringLiteral("SMTP="))
            s.SmtpServer = value;
        else if (key == QStringLiteral("POP3="))
            s.Pop3Server = value;
        else if (key == QStringLiteral("MAIL="))
            s.MailAddress = value;
        else if (key == QStringLiteral("APOP="))
            s.UseApop = LeadingNumberRounded(value);
    }
    return s;
}

Status ServerSettings::write(const QString& path) const {
    QByteArray bytes;
    bytes += "SMTP=" + ShiftJis::encode(SmtpServer) + "\r\n";
    bytes += "POP3=" + ShiftJis::encode(Pop3Server) + "\r\n";
    bytes += "MAIL=" + ShiftJis::encode(MailAddress) + "\r\n";
    bytes += "APOP=" + QByteArray::number(UseApop) + "\r\n";
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return Status::failure({.kind = Error::Kind::SettingsNotWritten, .path = path});
    return {};
}
