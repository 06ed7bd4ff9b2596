#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include "text/result.h"

// What was imported before, one key a line in the data folder: a message's
// Message-ID, or a digest of its text (line ends aside) when it has none.
// Importing the same messages again is then noticed.
class ImportedKeys {
  public:
    static inline const QString kFileName = QStringLiteral("imported-messages");

    explicit ImportedKeys(QString path);

    static QByteArray keyOf(QByteArrayView raw);

    // A missing file holds no keys.
    Status load();
    bool contains(const QByteArray& key) const { return keys_.contains(key); }
    Status add(const QByteArray& key);
    Status sync() const;

  private:
    QString path_;
    QSet<QByteArray> keys_;
};
