#pragma once

#include <QString>
#include <optional>

#include "store/apppaths.h"
#include "store/mailrecord.h"
#include "text/result.h"

// The folder of a received HTML mail, directly in the application folder.
// The first mail of a subject gets a folder named after the subject, as
// always; a further one, whose subject's folder is already there, gets
// "subject (2)", "subject (3)", … beside it. A small file in each folder the
// program makes names the mail it belongs to (the subject, date and sender as
// the mail's record keeps them), so that showing and deleting a mail find its
// own folder; a folder without it (made before it existed) is the subject's.
//
// A subject that is empty after trimming, "." or "..", holds a separator, or
// names one of the installed folders (in any letter case) has no folder:
// nothing is ever made, shown or removed for it outside the mail's own place.
namespace HtmlMailFolder {

// Hidden, and no attachment can take the name: their leading dots are dropped.
inline const QString kOwnerFile = QStringLiteral(".fennick-mail");

// Which mail a folder belongs to, as the history reads the mail's record.
struct Owner {
    QString subject;
    QString date;
    QString party;

    static Owner ofRecord(const MailRecord& record);
    // The mail about to be stored from these header texts.
    static Owner ofMessage(const QString& subject, const QString& date, const QString& sender);
    friend bool operator==(const Owner&, const Owner&) = default;
};

bool isUsableName(const QString& subject);

// A new folder for `owner`'s files, marked as its own.
struct Made {
    enum class Outcome {
        Created,
        Unusable, // the subject cannot name a folder here, or every numbered name is taken
        Failed,   // the disk or the permissions refused it; `error` says why
    };
    Outcome outcome;
    QString path;
    QString ownerFile; // written into it, to be synced with the mail's other files
    QString error;
};
Made create(const AppPaths& paths, const Owner& owner);

// The folder of `owner`'s mail, or nothing when it has none.
std::optional<QString> find(const AppPaths& paths, const Owner& owner);

} // namespace HtmlMailFolder
