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

namespace {

// True when fd is still the file that lockPath names: RemoveLockedFile may have removed it (and
// another writer made a new one) while we waited for the lock.
bool StillNamed(int fd, const std::string& lockPath) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(lockPath.c_str(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
}

} // namespace

ScopedFileLock::ScopedFileLock(const std::string& path) {
    const std::string lockPath = LockFilePathFor(path);
    // Each retry follows a removal of the lock file by another holder; a bound keeps a
    // pathological loop of removals from holding us for ever.
    for (int attempt = 0; attempt < 100; ++attempt) {
        // O_NOFOLLOW: a link planted under the lock file's name must not make us create files.
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            const int error = errno;
            struct stat st {};
            if (error == EROFS || (::lstat(lockPath.c_str(), &st) != 0 && errno == ENOENT)) {
                // The lock file could not be made or opened for writing: the folder, not the
                // lock, is the trouble, and writing the file itself would fail the same way.
                m_error =
                    "cannot write " + path + ": " + StorageErrorText(error, DirectoryOf(path));
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
        if (StillNamed(fd, lockPath)) {
            m_fd = fd;
            return;
        }
        ::close(fd);
    }
    m_error = "cannot lock " + path + ": " + lockPath + " keeps being removed";
}

ScopedFileLock::~ScopedFileLock() {
    if (m_fd >= 0) {
        ::close(m_fd); // releases the lock
    }
}

bool RemoveLockedFile(const std::string& path, std::string* error) {
    const ScopedFileLock lock(path);
    if (!lock.Locked()) {
        if (error != nullptr) {
            *error = lock.Error();
        }
        return false;
    }
    for (const std::string& file : {path, LockFilePathFor(path)}) {
        if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
            if (error != nullptr) {
                *error = "cannot remove " + file + ": " + std::strerror(errno);
            }
            return false;
        }
    }
    return true; // the lock goes with the last reference to the removed lock file
}

} // namespace tarnwick
