#include "mime/htmltext.h"

#include <QHash>
#include <algorithm>

#include "text/text.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The HTML tokenizer's white space; a CR counts as the LF it becomes there.
bool isTagSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

bool isAsciiHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Tag names compare in ASCII only, as browsers compare them: Unicode folding
// would make "<ſcript>" (long s) a script.
bool isNamed(QStringView name, QLatin1StringView lower) {
    if (name.size() != lower.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c += u'a' - u'A';
        if (c != lower[i].unicode())
            return false;
    }
    return true;
}

// The name of an element a browser never shows, whose content is not read as
// markup: it runs to the element's end tag, or to the end of the mail. Empty
// for any other element.
QLatin1StringView hiddenElement(QStringView name) {
    static const QLatin1StringView hidden[] = {"script"_L1, "style"_L1,   "title"_L1,
                                               "iframe"_L1, "noembed"_L1, "noframes"_L1};
    const auto* found = std::find_if(std::begin(hidden), std::end(hidden),
                                     [&](QLatin1StringView h) { return isNamed(name, h); });
    return found == std::end(hidden) ? QLatin1StringView() : *found;
}

// <br>, and the end tags of the elements that end a line.
bool breaksLine(QStringView name, bool endTag) {
    static const QLatin1StringView lineEnds[] = {"p"_L1,  "div"_L1, "tr"_L1, "li"_L1, "h1"_L1,
                                                 "h2"_L1, "h3"_L1,  "h4"_L1, "h5"_L1, "h6"_L1};
    if (!endTag)
        return isNamed(name, "br"_L1);
    return std::any_of(std::begin(lineEnds), std::end(lineEnds),
                       [&](QLatin1StringView e) { return isNamed(name, e); });
}

// How many of the leading characters are `isPart`, counted up to one past `most`.
qsizetype leadingCount(QStringView s, qsizetype most, bool (*isPart)(QChar)) {
    qsizetype n = 0;
    while (n < s.size() && n <= most && isPart(s[n]))
        ++n;
    return n;
}

// The length of the entity name `s` starts with (after the '&'), when a ';'
// follows it: '#' and 1-7 digits, "#x" and 1-6 hex digits, or 2-8 letters.
// 0 otherwise: the '&' is text.
qsizetype entityNameLength(QStringView s) {
    qsizetype name = 0;
    if (s.startsWith(u'#')) {
        const qsizetype digits = leadingCount(s.sliced(1), 7, isAsciiDigit);
        const qsizetype hexDigits = s.size() > 1 && (s[1] == u'x' || s[1] == u'X')
                                        ? leadingCount(s.sliced(2), 6, isAsciiHexDigit)
                                        : 0;
        if (digits >= 1 && digits <= 7)
            name = 1 + digits;
        else if (hexDigits >= 1 && hexDigits <= 6)
            name = 2 + hexDigits;
    } else if (const qsizetype letters = leadingCount(s, 8, isAsciiLetter); letters >= 2 && letters <= 8) {
        name = letters;
    }
    return name > 0 && name < s.size() && s[name] == u';' ? name : 0;
}

QString decodeEntity(const QString& entity) {
    static const QHash<QString, QString> named = {
        {QStringLiteral("amp"), QStringLiteral("&")},  {QStringLiteral("lt"), QStringLiteral("<")},
        {QStringLiteral("gt"), QStringLiteral(">")},   {QStringLiteral("quot"), QStringLiteral("\"")},
        {QStringLiteral("apos"), QStringLiteral("'")}, {QStringLiteral("nbsp"), QStringLiteral(" ")},
        {QStringLiteral("copy"), QStringLiteral("©")}, {QStringLiteral("yen"), QStringLiteral("¥")},
    };
    if (entity.startsWith(u'#')) {
        bool ok = false;
        const uint code = entity.startsWith(QStringLiteral("#x"), Qt::CaseInsensitive)
                              ? entity.mid(2).toUInt(&ok, 16)
                              : entity.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            const char32_t c = code;
            return QString::fromUcs4(&c, 1);
        }
        return QString(QChar::ReplacementCharacter);
    }
    return named.value(entity.toLower(), QStringLiteral("&") + entity + u';');
}

// One pass from the first character to the last. A search for the end of a
// tag, comment or hidden element goes on from where it stopped, so each
// character is looked at a bounded number of times whatever the markup.
class Reader {
  public:
    explicit Reader(QStringView html) : s_(html) {}

    QString read() && {
        while (at_ < s_.size()) {
            const QChar c = s_[at_];
            if (c == u'<')
                markup();
            else if (c == u'&')
                entity();
            else if (c == u'\r' || c == u'\n')
                lineBreak();
            else
                show(c);
        }
        return std::move(text_);
    }

  private:
    void show(QChar c) {
        text_.append(c);
        afterLineBreakSpace_ = false;
        ++at_;
    }

    // A run of line breaks in the source is one space. Comments and hidden
    // elements are as if they were not there: the runs on either side of
    // them make one space too.
    void lineBreak() {
        while (at_ < s_.size() && (s_[at_] == u'\r' || s_[at_] == u'\n'))
            ++at_;
        if (!afterLineBreakSpace_)
            text_.append(u' ');
        afterLineBreakSpace_ = true;
    }

    void entity() {
        const qsizetype length = entityNameLength(s_.sliced(at_ + 1));
        if (length == 0)
            return show(u'&');
        text_ += decodeEntity(s_.sliced(at_ + 1, length).toString());
        afterLineBreakSpace_ = false;
        at_ += length + 2;
    }

    void markup() {
        const QStringView rest = s_.sliced(at_ + 1);
        if (rest.startsWith(u"!--")) {
            at_ = commentEnd(at_ + 4);
        } else if (rest.startsWith(u'!') || rest.startsWith(u'?')) {
            at_ = bogusCommentEnd(at_ + 2); // <!DOCTYPE>, <![CDATA[ ]]>, <?xml ?>
        } else if (!rest.isEmpty() && isAsciiLetter(rest[0])) {
            tag(at_ + 1, false);
        } else if (rest.size() > 1 && rest[0] == u'/' && isAsciiLetter(rest[1])) {
            tag(at_ + 2, true);
        } else if (rest.size() > 1 && rest[0] == u'/') {
            at_ = bogusCommentEnd(at_ + 2); // "</>", "</ p>"
        } else {
            show(u'<'); // "a < b", "<1", "<株式会社>": no tag starts there
        }
    }

    void tag(qsizetype nameAt, bool endTag) {
        qsizetype nameEnd = nameAt;
        while (nameEnd < s_.size() && !isTagSpace(s_[nameEnd]) && s_[nameEnd] != u'/' && s_[nameEnd] != u'>')
            ++nameEnd;
        const QStringView name = s_.sliced(nameAt, nameEnd - nameAt);
        const qsizetype end = tagEnd(nameEnd);
        if (end < 0) { // cut off by the end of the mail: dropped, as a browser drops it
            at_ = s_.size();
            return;
        }
        at_ = end;
        if (const QLatin1StringView hidden = endTag ? QLatin1StringView() : hiddenElement(name);
            !hidden.isEmpty()) {
            at_ = hiddenContentEnd(hidden);
            return;
        }
        afterLineBreakSpace_ = false;
        if (breaksLine(name, endTag))
            text_.append(u'\n');
    }

    // Past the '>' that ends the tag whose attributes start at `i`, or -1. A
    // '>' in a quoted attribute value does not end it; the states are the
    // HTML tokenizer's, for all that decides where a tag ends.
    qsizetype tagEnd(qsizetype i) const {
        enum { BeforeName, Name, AfterName, BeforeValue, UnquotedValue } state = BeforeName;
        for (; i < s_.size(); ++i) {
            const QChar c = s_[i];
            if (c == u'>')
                return i + 1;
            switch (state) {
            case BeforeName: // also after a value or a '/'; a '=' here starts a name
                if (!isTagSpace(c) && c != u'/')
                    state = Name;
                break;
            case Name:
                state = isTagSpace(c) ? AfterName : c == u'/' ? BeforeName : c == u'=' ? BeforeValue : Name;
                break;
            case AfterName:
                if (!isTagSpace(c))
                    state = c == u'/' ? BeforeName : c == u'=' ? BeforeValue : Name;
                break;
            case BeforeValue:
                if (c == u'"' || c == u'\'') {
                    i = s_.indexOf(c, i + 1);
                    if (i < 0)
                        return -1;
                    state = BeforeName;
                } else if (!isTagSpace(c)) {
                    state = UnquotedValue;
                }
                break;
            case UnquotedValue:
                if (isTagSpace(c))
                    state = BeforeName;
                break;
            }
        }
        return -1;
    }

    // Past the end of the comment whose text starts at `i`: "-->", "--!>",
    // or at once "<!-->" and "<!--->". An unclosed comment runs to the end.
    qsizetype commentEnd(qsizetype i) const {
        const QStringView text = s_.sliced(std::min(i, s_.size()));
        if (text.startsWith(u'>'))
            return i + 1;
        if (text.startsWith(u"->"))
            return i + 2;
        for (qsizetype dashes = s_.indexOf(u"--", i); dashes >= 0; dashes = s_.indexOf(u"--", dashes + 1)) {
            const QStringView after = s_.sliced(dashes + 2);
            if (after.startsWith(u'>'))
                return dashes + 3;
            if (after.startsWith(u"!>"))
                return dashes + 4;
        }
        return s_.size();
    }

    qsizetype bogusCommentEnd(qsizetype i) const {
        const qsizetype close = s_.indexOf(u'>', std::min(i, s_.size()));
        return close < 0 ? s_.size() : close + 1;
    }

    // Past the end tag of the hidden element whose content starts here; its
    // own name in any case, then white space, '/' or '>'. Without one, the
    // element runs to the end.
    qsizetype hiddenContentEnd(QLatin1StringView name) const {
        for (qsizetype lt = s_.indexOf(u"</", at_); lt >= 0; lt = s_.indexOf(u"</", lt + 2)) {
            const qsizetype nameEnd = lt + 2 + name.size();
            if (nameEnd >= s_.size())
                break;
            const QChar after = s_[nameEnd];
            if (isNamed(s_.sliced(lt + 2, name.size()), name) &&
                (isTagSpace(after) || after == u'/' || after == u'>')) {
                const qsizetype end = tagEnd(nameEnd);
                return end < 0 ? s_.size() : end;
            }
        }
        return s_.size();
    }

    QStringView s_;
    qsizetype at_ = 0;
    QString text_;
    bool afterLineBreakSpace_ = false;
};

} // namespace

namespace HtmlText {

QString toPlainText(QStringView html) {
    return ToCrLf(Reader(html).read().trimmed());
}

} // namespace HtmlText
