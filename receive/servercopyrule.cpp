#include "receive/servercopyrule.h"

bool LeavesServerNow(const ServerCopy& copy, const QDateTime& storedAt, const QDateTime& now,
                     std::optional<bool> recordKept) {
    using Mode = ServerCopy::Mode;
    switch (copy.mode) {
    case Mode::DeleteAfterFetch:
        return true;
    case Mode::Keep:
        return false;
    case Mode::DeleteAfterDays:
        return storedAt.addDays(copy.days) < now;
    case Mode::DeleteWithHistory:
        return recordKept == false;
    }
    return false;
}
