#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One mail of the received-mail or sent-mail file: 32298 bytes, Shift-JIS
// text fields padded with spaces, CR LF, and a 16-bit little-endian live flag.
struct MailRecord {
    static constexpr qsizetype kSize = 32298;
    static constexpr qsizetype kSubjectOffset = 0, kSubjectWidth = 100;
    static constexpr qsizetype kDateOffset = 100, kDateWidth = 90;
    static constexpr qsizetype kKindOffset = 190, kKindWidth = 14;
    static constexpr qsizetype kPartyOffset = 204, kPartyWidth = 90;
    static constexpr qsizetype kBodyOffset = 294, kBodyWidth = 32000;
    static constexpr qsizetype kLineEndOffset = 32294;
    static constexpr qsizetype kLiveOffset = 32296;
    // The columns of the history list sit before the body.
    static constexpr qsizetype kListColumnsSize = kBodyOffset;

    static inline const QString kHtmlKind = QStringLiteral("●HTML形式");
    static inline const QString kTextKind = QStringLiteral("○TEXT形式");

    // Texts as they are stored, that is already trimmed by whoever built the
    // record (the sent-mail date is the one field kept untrimmed).
    QString subject;
    QString date;
    QString kind;
    QString party;
    QString body;
    qint16 live = 1;

    QByteArray toBytes() const;
    // Fields come back decoded with their padding; readers cut and trim.
    static MailRecord fromBytes(QByteArrayView bytes);

    friend bool operator==(const MailRecord&, const MailRecord&) = default;
};

// The four list columns of a record, read without its body.
struct MailListColumns {
    QString subject;
    QString date;
    QString kind;
    QString party;

    static MailListColumns fromBytes(QByteArrayView head);
};
