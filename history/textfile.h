#pragma once

#include <QString>

#include "text/result.h"

// Text files the editor opens and saves: Shift-JIS (code page 932) with CR LF.
namespace TextFile {

// Every line followed by CR LF, where a line ends at CR or CR LF and a lone LF
// stays inside its line; a last line without a break gains one.
QString withLineRule(const QString& text);

// The file decoded from code page 932 with the line rule applied. The error
// names the file and Qt's reason.
Result<QString> read(const QString& path);

// Replaces the file with the text in code page 932, through a temporary file
// beside it, so a failed write leaves the old file whole. Gives the number of
// characters code page 932 cannot hold, each written as one placeholder.
Result<qsizetype> write(const QString& path, const QString& text);

} // namespace TextFile
