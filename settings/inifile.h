#pragma once

#include <QString>

#include "text/result.h"

// A Windows-style INI file with the behaviour the program's files were
// written for: sections and keys matched without regard to case, a value
// read into a 256-byte buffer (at most 255 bytes of it), an absent key or
// file reading as empty, and a write that creates the file and section as
// needed and keeps every other section, key, comment and line. Shift-JIS on
// disk, CR LF line ends.
class IniFile {
  public:
    explicit IniFile(QString path, int createMode = 0644);

    QString read(const QString& section, const QString& key) const;
    Status write(const QString& section, const QString& key, const QString& value) const;

  private:
    QString path_;
    int createMode_;
};
