#include "history/textsearch.h"

#include <algorithm>

namespace {

// The 1-based position of needle in text at or after start, 0 for none. An
// empty needle is found at the start itself, as long as that lies in the text.
qsizetype find(const QString& text, const QString& needle, qsizetype start) {
    if (text.isEmpty() || start > text.size())
        return 0;
    if (needle.isEmpty())
        return start;
    return text.indexOf(needle, start - 1, Qt::CaseSensitive) + 1;
}

} // namespace

qsizetype TextSearch::search(const QString& text, const QString& needle) {
    position_ = find(text, needle, 1);
    return position_;
}

qsizetype TextSearch::findNext(const QString& text, const QString& needle) {
    position_ = find(text, needle, std::max<qsizetype>(1, position_ + needle.size()));
    return position_;
}
