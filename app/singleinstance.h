#pragma once

#include <QLockFile>
#include <QString>

// One running copy per application folder: two copies appending to the same
// record files would overwrite each other's mail.
class SingleInstance {
  public:
    explicit SingleInstance(const QString& applicationFolder);
    bool acquired() const { return acquired_; }

  private:
    QLockFile lock_;
    bool acquired_ = false;
};
