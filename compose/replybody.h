#pragma once

#include <QString>

// What "本文に貼付" makes the reply's body: the clipboard text, three empty
// lines (CR LF CR LF CR LF CR), then the answered mail's text, the whole
// trimmed of spaces at both ends. Whatever the body held before is replaced.
namespace ReplyBody {

QString pasted(const QString& clipboard, const QString& answered);

} // namespace ReplyBody
