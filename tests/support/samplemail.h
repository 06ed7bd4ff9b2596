#pragma once

#include <QList>
#include <QString>

#include "store/mailrecord.h"

// Japanese business mail as people write it, made up from a seed: names
// with rare kanji, full- and half-width forms, wave dashes, English words,
// quoted replies, some HTML mails. Record i (from 1) always comes out the
// same and carries the code "案件A<i>番", found in that record only.
namespace SampleMail {

MailRecord record(int i);
QList<MailRecord> history(int count);
// Writes `count` records to a record file, replacing it.
void writeHistory(const QString& path, int count);

} // namespace SampleMail
