#pragma once

#include <QString>
#include <optional>

#include "store/apppaths.h"
#include "store/mailrecord.h"
#include "store/recordfile.h"
#include "text/result.h"

// The folder of a received HTML mail, directly in the application folder.
// The first mail of a subject gets a folder named after the subject, as
// always; a further one, whose subject's folder is already there, gets
// "subject (2)", "subject (3)", … beside it. A small file in each folder the
// program makes names the mail it belongs to by the digest of its record, so
// that showing and deleting a mail find its own folder whatever other mails
// share its subject, date and sender. Mails whose records are byte for byte
// the same (one mail delivered twice) each get a folder too: the first such
// record owns the folder stored first, the second the next, and so on.
//
// Folders marked by older copies (subject, date and sender only) are still
// found by those, and a folder without a mark (made before marks existed) is
// the subject's; both only for a record of the HTML kind, since a text mail
// never had a folder.
//
// A subject that is empty after trimming, "." or "..", holds a separator, or
// names one of the installed folders (in any letter case) has no folder:
// nothing is ever made, shown or removed for it outside the mail's own place.
namespace HtmlMailFolder {

// Hidden, and no attachment can take the name: their leading dots are dropped.
inline const QString kOwnerFile = QStringLiteral(".fennick-mail");

bool isUsableName(const QString& subject);

// What the owner file knows a mail by: the digest of its record as the
// received-mail file keeps it (live flag set).
QByteArray keyOf(const MailRecord& record);

// A new folder for the mail whose record is `record`, marked as its own.
struct Made {
    enum class Outcome {
        Created,
        Unusable, // the subject cannot name a folder here, or every numbered name is taken
        Failed,   // the disk or the permissions refused it; `error` says why
    };
    Outcome outcome;
    QString path;
    QString ownerFile; // written into it, to be synced with the mail's other files
    Error error;
};
Made create(const AppPaths& paths, const MailRecord& record);

// The folder of a received mail, or nothing when it has none (a text mail
// never has one). `identicalBefore` is how many records before it in the
// file are byte for byte the same.
std::optional<QString> find(const AppPaths& paths, const MailRecord& record, int identicalBefore = 0);

// The folder of record `p` of the received-mail file `records`; the records
// before it are read only when several folders are marked for its content.
Result<std::optional<QString>> findForRow(const AppPaths& paths, const RecordFile& records, int p);

} // namespace HtmlMailFolder
