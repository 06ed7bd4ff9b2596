#pragma once

#include <QString>

class QFont;
class QPrinter;

// Printing the editor text: every copy chosen in the print dialog is a job
// of its own.
namespace EditorPrint {

// Where copy number `copy` (from 1) goes when printing into a file: the file
// itself for the first, "name-2.pdf", "name-3.pdf" ... for the others, so no
// copy overwrites another.
QString copyFileName(const QString& file, int copy);

// Prints the text in the font, copy by copy. False when the printer failed.
bool print(QPrinter& printer, const QString& text, const QFont& font);

} // namespace EditorPrint
