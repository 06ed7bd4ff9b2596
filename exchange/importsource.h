#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "exchange/mbox.h"
#include "store/posixfile.h"
#include "text/result.h"

// The messages of an mbox file (mboxo or mboxrd), of a folder of .eml files
// (CR LF or LF), or of a Maildir (cur/ and new/), in order: the file's
// order, or the files' names. Links and what is no plain file (a folder,
// a fifo) among the .eml files or in cur/ and new/ are never read, nor
// cur/ or new/ when it is a link: a link to any file of the user's would
// otherwise come in as a mail.
class ImportSource {
  public:
    enum class Kind { Mbox, EmlFolder, Maildir };

    static Result<ImportSource> open(Kind kind, const QString& path);

    int count() const { return int(kind_ == Kind::Mbox ? spans_.size() : files_.size()); }
    // The links and other entries that are no plain file, left out.
    int skipped() const { return skipped_; }
    // The raw bytes of message i (from 0), as its sender wrote it. Fails
    // when the file cannot be read, or (an mbox) when it changed since it
    // was opened: its messages are no longer where they were.
    Result<QByteArray> message(int i) const;

  private:
    Status unchanged() const;

    Kind kind_ = Kind::Mbox;
    QString path_;
    // Read with pread rather than mapped: a mapped file that shrinks kills
    // the process when a page past its end is touched.
    std::shared_ptr<PosixFile> mbox_;
    PosixFile::Stamp stamp_;
    QList<Mbox::Span> spans_;
    QStringList files_;
    int skipped_ = 0;
};
