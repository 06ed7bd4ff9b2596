#include "text/text.h"

QString CutAtNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString TrimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString ToCrLf(const QString& text) {
    const QChar* const p = text.constData();
    const qsizetype size = text.size();
    // Most texts (every received body) already end each line with CR LF:
    // they are handed back without a copy.
    qsizetype first = 0;
    for (; first < size; ++first) {
        if (p[first] == u'\r' && first + 1 < size && p[first + 1] == u'\n')
            ++first;
        else if (p[first] == u'\r' || p[first] == u'\n')
            break;
    }
    if (first == size)
        return text;
    QString out;
    out.reserve(size + size / 8 + 2);
    out.append(p, first);
    for (qsizetype i = first; i < size; ++i) {
        if (p[i] == u'\r' || p[i] == u'\n') {
            out.append(u"\r\n");
            if (p[i] == u'\r' && i + 1 < size && p[i + 1] == u'\n')
                ++i;
        } else {
            out.append(p[i]);
        }
    }
    return out;
}
