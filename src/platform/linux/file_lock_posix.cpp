// flock() locks: held per open file description, so two threads of one process that open the
// lock file separately exclude each other just as two processes do.
#include "platform/file_lock.h"
#include "platform/paths.h"
#include "platform/storage_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

std::string LockFilePathFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "." + path + ".lock";
    }
    return path.substr(0, slash + 1) + "." + path.substr(slash + 1) + ".lock";
}

ScopedFileLock::ScopedFileLock(const std::string& path) {
    const std::string lockPath = LockFilePathFor(path);
    // O_NOFOLLOW: a link planted under the lock file's name must not make us create files.
    const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        const int error = errno;
        struct stat st {};
        if (error == EROFS || (::lstat(lockPath.c_str(), &st) != 0 && errno == ENOENT)) {
            // The lock file could not be made or opened for writing: the folder, not the lock,
            // is the trouble, and writing the file itself would fail the same way.
            m_error = "cannot write " + path + ": " + StorageErrorText(error, DirectoryOf(path));
        } else {
            m_error = "cannot lock " + path + ": " + lockPath + ": " + std::strerror(error);
        }
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            m_error = "cannot lock " + path + ": " + lockPath + ": " + std::strerror(errno);
            ::close(fd);
            return;
        }
    }
    m_fd = fd;
}

ScopedFileLock::~ScopedFileLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

} // namespace tarnwick
