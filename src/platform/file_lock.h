// An exclusive lock that serialises read-modify-write of one file between threads and
// processes: flock() on a lock file beside it ("ClockInfo.dat" -> ".ClockInfo.dat.lock").
// The lock file stays while the file does; RemoveLockedFile removes both. A lock taken on a
// lock file that was removed meanwhile is let go and taken again on the new one, so two
// writers never hold different locks for one file.
#pragma once

#include <string>

namespace tarnwick {

class ScopedFileLock {
public:
    // Blocks until the lock is held, or fails (Locked() false, Error() says why, with the
    // lock file's path and the errno text).
    explicit ScopedFileLock(const std::string& path);
    ~ScopedFileLock();
    ScopedFileLock(const ScopedFileLock&) = delete;
    ScopedFileLock& operator=(const ScopedFileLock&) = delete;

    bool Locked() const { return m_fd >= 0; }
    const std::string& Error() const { return m_error; }

private:
    int m_fd = -1;
    std::string m_error;
};

// The lock file that guards path.
std::string LockFilePathFor(const std::string& path);

// Removes the file at path and then its lock file, holding the lock. True when neither is left;
// error (when given) says what could not be removed.
bool RemoveLockedFile(const std::string& path, std::string* error = nullptr);

} // namespace tarnwick
