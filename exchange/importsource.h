#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

#include "exchange/mbox.h"
#include "text/result.h"

// The messages of an mbox file (mboxo or mboxrd), of a folder of .eml files
// (CR LF or LF), or of a Maildir (cur/ and new/), in order: the file's
// order, or the files' names.
class ImportSource {
  public:
    enum class Kind { Mbox, EmlFolder, Maildir };

    static Result<ImportSource> open(Kind kind, const QString& path);

    int count() const { return int(kind_ == Kind::Mbox ? spans_.size() : files_.size()); }
    // The raw bytes of message i (from 0), as its sender wrote it.
    Result<QByteArray> message(int i) const;

  private:
    Kind kind_ = Kind::Mbox;
    std::shared_ptr<QFile> mbox_;
    QByteArrayView mapped_;
    QList<Mbox::Span> spans_;
    QStringList files_;
};
