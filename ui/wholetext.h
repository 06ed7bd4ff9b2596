#pragma once

#include <QLineEdit>
#include <algorithm>

// A box's length limit holds what the user types. A text the program puts in
// (a stored entry, an address brought from another window) is shown whole:
// the limit grows to its length, so typing can change it but not lengthen it.
inline void SetWholeText(QLineEdit* box, int typedLimit, const QString& text) {
    box->setMaxLength(std::max(typedLimit, int(text.size())));
    box->setText(text);
}
