#include "compose/replybody.h"

#include "text/text.h"

namespace ReplyBody {

QString pasted(const QString& clipboard, const QString& answered) {
    return TrimSpaces(clipboard + QStringLiteral("\r\n\r\n\r\n\r") + TrimSpaces(answered));
}

} // namespace ReplyBody
