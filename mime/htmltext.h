#pragma once

#include <QString>
#include <QStringView>

// The text an HTML-only mail shows, read in one forward pass over the markup.
namespace HtmlText {

// Tags are dropped; <br> and the ends of paragraphs, blocks, table rows,
// headings and list items become line breaks, line breaks in the source
// spaces; entities are decoded; script, style, title and the other elements a
// browser never shows are hidden with their content. Broken markup reads as a
// browser reads it: a '<' that starts no tag is text, an unclosed <script>
// or comment hides the rest, a tag cut off by the end is dropped. Time is
// linear in the length and the text is never longer than the markup. Trimmed,
// lines end in CR LF.
QString toPlainText(QStringView html);

} // namespace HtmlText
