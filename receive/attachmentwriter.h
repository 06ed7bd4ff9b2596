#pragma once

#include <QList>
#include <QString>

#include "mime/receivedmessage.h"
#include "text/error.h"

// Writes the attachments of a received message into a folder. Names come
// from strangers: only a bare, harmless name is used, nothing is written
// outside the folder or through a symbolic link, and no existing file is
// ever replaced ("photo.jpg" becomes "photo (2).jpg").
class AttachmentWriter {
  public:
    enum class Outcome {
        Written,       // every attachment is on disk (or there were none)
        FileNotOpened, // a file could not be written: writing stopped there
        PartsMissing,  // a piece of a split message: the rest is elsewhere
    };
    struct Report {
        Outcome outcome = Outcome::Written;
        QStringList writtenFiles; // full paths, in the message's order; whole files only
        Error error;              // which file, and why (FolderNotOpened, AttachmentNotWritten)
    };

    static Report write(const ReceivedMessage& message, const QString& folder);

    // The name an attachment is saved under (before any " (2)" is added).
    static QString safeName(const QString& suggested, int index);
};
