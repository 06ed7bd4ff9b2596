#pragma once

#include <QString>
#include <functional>

#include "history/historymode.h"
#include "store/mailrecord.h"
#include "text/result.h"

// Deleting from a history: mark, then rebuild the record file through its
// working file (a stop at any step loses nothing; the next operation on the
// file finishes the rebuild).
namespace MailDeletion {

// The question asked before one mail goes (titled "確認", Yes and No).
QString questionFor(HistoryMode mode, const MailRecord& record);
inline const QString kDeleteAllQuestion = QStringLiteral("すべてのデータを削除して良いですか？");

// Deletes record p. A received mail's folder goes with it, when its subject
// names a folder of its own.
Status deleteOne(HistoryMode mode, const AppPaths& paths, int p, const MailRecord& record);

// The delete button on record p: read it, ask (questionFor; `confirm`
// returns true for Yes), delete it.
struct Outcome {
    enum class Kind {
        NothingSelected, // no such record, or one without a party
        Declined,
        Deleted,
        Failed, // deleting failed; `error` says why
    };
    Kind kind;
    MailRecord record; // as read, when there was one
    QString error;
};
Outcome deleteAfterAsking(HistoryMode mode, const AppPaths& paths, int p,
                          const std::function<bool(const QString& question)>& confirm);
// Deletes every mail of the sent history.
Status deleteAllSent(const AppPaths& paths);

} // namespace MailDeletion
