#include "store/recordfilelock.h"

#include <QFileInfo>
#include <map>
#include <memory>

namespace {

// One mutex per file for the life of the process; a run touches a handful.
std::recursive_mutex& mutexFor(const QString& path) {
    static std::mutex registryMutex;
    static std::map<QString, std::unique_ptr<std::recursive_mutex>> registry;
    const QString key = QFileInfo(path).absoluteFilePath();
    const std::lock_guard lock(registryMutex);
    std::unique_ptr<std::recursive_mutex>& mutex = registry[key];
    if (!mutex)
        mutex = std::make_unique<std::recursive_mutex>();
    return *mutex;
}

} // namespace

RecordFileLock::RecordFileLock(const QString& path) : mutex_(mutexFor(path)) {
    mutex_.lock();
}
