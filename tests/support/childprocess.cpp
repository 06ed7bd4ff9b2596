#include "tests/support/childprocess.h"

#include <QByteArray>
#include <cerrno>
#include <csignal>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    return ::syscall(SYS_capset, &header, none) == 0;
}

} // namespace

ChildResult RunInChild(const ChildLimits& limits, const std::function<QString()>& work) {
    int fds[2];
    if (::pipe(fds) != 0)
        return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const rlimit size{limits.fileSize, limits.fileSize};
        ::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails with EFBIG instead of killing
        if (::setrlimit(RLIMIT_FSIZE, &size) != 0 || (limits.fileModesApply && !dropCapabilities()))
            ::_exit(3);
        const QByteArray text = work().toUtf8();
        const bool written = ::write(fds[1], text.constData(), size_t(text.size())) == text.size();
        ::_exit(written ? 0 : 2);
    }
    ::close(fds[1]);
    ChildResult result;
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) != 0;)
        if (n > 0)
            bytes.append(buffer, n);
        else if (errno != EINTR)
            break;
    ::close(fds[0]);
    int status = 0;
    if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.output = QString::fromUtf8(bytes);
    return result;
}
