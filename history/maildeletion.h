#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "history/historymode.h"
#include "store/mailrecord.h"
#include "text/result.h"

// Deleting from a history: mark, then rebuild the record file through its
// working file (a stop at any step loses nothing; the next operation on the
// file finishes the rebuild).
namespace MailDeletion {

// The question asked before one mail goes (titled "確認", Yes and No): which
// kind of mail it is, and for a received HTML mail the folder that goes with
// it. The window words it.
struct Question {
    enum class Kind { SentMail, ReceivedText, ReceivedHtml };
    Kind kind;
    std::optional<QString> folder = {}; // ReceivedHtml: its folder, when one is found

    friend bool operator==(const Question&, const Question&) = default;
};
Question questionFor(HistoryMode mode, const MailRecord& record, const std::optional<QString>& folder = {});

// What deleting record p takes along: a received HTML mail's own folder.
Result<std::optional<QString>> folderGoingWith(HistoryMode mode, const AppPaths& paths, int p);

// Deletes record p, and `folder` with it (folderGoingWith, as asked about).
Status deleteOne(HistoryMode mode, const AppPaths& paths, int p, const std::optional<QString>& folder);

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
    Error error;
};
Outcome deleteAfterAsking(HistoryMode mode, const AppPaths& paths, int p,
                          const std::function<bool(const Question& question)>& confirm);
// Deletes every mail of the sent history.
Status deleteAllSent(const AppPaths& paths);

} // namespace MailDeletion
