#pragma once

#include <QByteArrayView>
#include <QString>

// Text of received mail, decoded from its raw bytes by the charset label it
// carries. Japanese mail is full of labels and habits that generic
// converters get wrong, so each family has its own road here:
//   every Shift-JIS label         -> code page 932 (NEC and IBM extensions)
//   ISO-2022-JP and its variants  -> ICU's decoder, which keeps row 13 (①, ㈱);
//                                    8-bit bytes under that label are CP932
//   EUC-JP                        -> glibc's EUC-JP-MS (CP932-compatible)
//   anything else                 -> Qt/ICU by name
//   no label or an unknown one    -> UTF-8 when valid, else CP932
namespace Charsets {

QString decode(QByteArrayView bytes, QByteArrayView label);

// For text that carries no label (raw 8-bit headers, unlabelled bodies).
QString decodeUnlabelled(QByteArrayView bytes);

} // namespace Charsets
