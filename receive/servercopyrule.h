#pragma once

#include <QDateTime>
#include <optional>

#include "settings/accountprofile.h"

// Whether a message stored by an earlier check leaves the server now, as the
// account's choice says: `storedAt` is when it was first stored here (our
// own record, not the server's date), `recordKept` whether its record is
// still in the received history (std::nullopt: that cannot be told, and
// such a mail stays).
bool LeavesServerNow(const ServerCopy& copy, const QDateTime& storedAt, const QDateTime& now,
                     std::optional<bool> recordKept);
