#pragma once

#include <QString>

// Search and find next in the editor text. Positions are 1-based, 0 when the
// last search found nothing; they are wide enough for the whole text. The
// comparison is exact (case and width sensitive) and never wraps around.
class TextSearch {
  public:
    // The first occurrence from the first character.
    qsizetype search(const QString& text, const QString& needle);
    // The next occurrence from the last position plus the needle's length
    // (from the first character when that is below 1). After a failed search
    // the position is 0, so the next start is the needle's length.
    qsizetype findNext(const QString& text, const QString& needle);

    qsizetype position() const { return position_; }

  private:
    qsizetype position_ = 0;
};
