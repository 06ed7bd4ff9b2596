#pragma once

#include <QByteArray>
#include <QString>

// The text shown on the pages of a PDF file as Qt's PDF writer makes it: the
// glyphs of every text object mapped back through the font's ToUnicode table,
// one line per text object, tabs read as spaces. Good for text in one font
// (plain ASCII); empty when the file has no single such table.
QString PdfText(const QByteArray& pdf);
