#include "app/singleinstance.h"

SingleInstance::SingleInstance(const QString& applicationFolder)
    : lock_(applicationFolder + QStringLiteral("/.fennick.lock")) {
    lock_.setStaleLockTime(0); // a lock whose process is gone is stale at once
    acquired_ = lock_.tryLock(0);
}
