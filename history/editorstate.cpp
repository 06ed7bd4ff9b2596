#include "history/editorstate.h"

#include <QFile>

#include "text/shiftjis.h"

Result<QString> EditorState::loadCurrentFile() const {
    if (currentFileName.isEmpty())
        return QString();
    QFile f(currentFileName);
    if (!f.open(QIODevice::ReadOnly))
        return Result<QString>::failure(
            {.kind = Error::Kind::FileNotOpened, .path = currentFileName, .detail = f.errorString()});
    return ShiftJis::decode(f.readAll());
}
