#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include "search/mailfacts.h"
#include "store/apppaths.h"
#include "text/result.h"

// Which received mails the user has not been shown yet: the fact "unread" of
// their records, kept beside the received-mail file (MailFacts), so that a
// mark follows its mail through deletions and never passes to another. No
// mark is a mail read: a lost or damaged marks file reads as all read. A
// connection belongs to the thread that opened it.
class UnreadMarks {
  public:
    static inline const QString kFact = QStringLiteral("unread");
    // What a mail stored unread carries.
    static inline const MailFacts::Fact kUnreadFact{kFact, QByteArrayLiteral("1")};

    static Result<UnreadMarks> open(const QString& recordFile);

    // The record numbers marked unread.
    Result<QSet<int>> rows();
    Result<int> count();
    Status mark(const QList<int>& rows, bool unread);
    Status markAllRead();
    // We removed record `row` from the file ourselves.
    Status recordRemoved(int row);

    // How many received mails are unread, for whatever shows the count
    // outside the history window; 0 when the marks cannot be read.
    static int receivedCount(const AppPaths& paths);

  private:
    explicit UnreadMarks(MailFacts facts) : facts_(std::move(facts)) {}

    MailFacts facts_;
};
