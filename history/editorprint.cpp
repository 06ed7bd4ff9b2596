#include "history/editorprint.h"

#include <QFileInfo>
#include <QFont>
#include <QPrinter>
#include <QTextDocument>

namespace EditorPrint {

QString copyFileName(const QString& file, int copy) {
    if (copy <= 1 || file.isEmpty())
        return file;
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    return file.left(file.size() - suffix.size()) + u'-' + QString::number(copy) + suffix;
}

bool print(QPrinter& printer, const QString& text, const QFont& font) {
    const int copies = printer.copyCount();
    const QString file = printer.outputFileName();
    printer.setCopyCount(1);
    QTextDocument document;
    document.setDefaultFont(font);
    document.setPlainText(text);
    for (int copy = 1; copy <= copies; ++copy) {
        if (!file.isEmpty())
            printer.setOutputFileName(copyFileName(file, copy));
        document.print(&printer);
        if (printer.printerState() == QPrinter::Error)
            return false;
    }
    return true;
}

} // namespace EditorPrint
