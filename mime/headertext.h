#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Header values of received mail (RFC 2047 encoded-words, RFC 2231
// parameters), decoded with our own charset layer.
namespace HeaderText {

// Unfolds and decodes a raw header value. Adjacent encoded-words of one
// charset are joined before conversion, since mailers split ISO-2022-JP and
// UTF-8 text in the middle of a character. B and Q are both accepted, and raw
// 8-bit text between the words is taken as UTF-8, else Shift-JIS.
QString decode(QByteArrayView raw);

// The value of parameter `name` in a Content-Type or Content-Disposition
// value, with RFC 2231 continuations and charsets ("name*0*=utf-8''%E3...")
// and the RFC 2047 form old mailers put in quotes. Null when absent.
QString parameter(QByteArrayView headerValue, QByteArrayView name);

// The "type/subtype" or disposition token at the start, lower-cased.
QByteArray leadingToken(QByteArrayView headerValue);

} // namespace HeaderText
