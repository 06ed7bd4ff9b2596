#pragma once

// text/: the base of every other folder: the Shift-JIS codec over glibc iconv,
// the small text rules every field passes through, and Result/Status.

#include <QString>

// The text up to, not including, its first NUL character (all of it when it has none).
QString CutAtNul(const QString& text);

// Removes ASCII spaces (0x20) at both ends only. Tabs and the ideographic
// space U+3000 are content here, which is why QString::trimmed() is not used.
QString TrimSpaces(const QString& text);

// Every line break (CR LF, a lone CR or a lone LF) as CR LF.
QString ToCrLf(const QString& text);
