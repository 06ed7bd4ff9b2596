#include "store/folderremoval.h"

#include <QFile>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void removeContents(int dirFd, int depth) {
    if (depth > 64) // deeper than any folder a mail can bring
        return;
    DIR* dir = ::fdopendir(::dup(dirFd));
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            // A read-only folder keeps its entries: make it writable first.
            ::fchmodat(dirFd, name, (st.st_mode & 07777) | S_IRWXU, 0);
            const int child = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child >= 0) {
                removeContents(child, depth + 1);
                ::close(child);
            }
            ::unlinkat(dirFd, name, AT_REMOVEDIR);
        } else {
            ::unlinkat(dirFd, name, 0);
        }
    }
    ::closedir(dir);
}

} // namespace

void RemoveFolder(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        if (S_ISLNK(st.st_mode))
            ::unlink(native.constData());
        return;
    }
    ::chmod(native.constData(), (st.st_mode & 07777) | S_IRWXU);
    const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    removeContents(fd, 0);
    ::close(fd);
    ::rmdir(native.constData());
}
