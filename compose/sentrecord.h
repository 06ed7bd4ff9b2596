#pragma once

#include <QString>

#include "store/mailrecord.h"

// The record of one sent mail, from the compose window's fields as typed.
// Every text is trimmed of spaces except the date, which is the main
// window's clock text as it stands.
MailRecord SentRecord(const QString& subject, const QString& dateText, const QString& toText,
                      const QString& body);
