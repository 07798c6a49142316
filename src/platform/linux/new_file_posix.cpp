// link() rather than rename(): it fails with EEXIST instead of replacing a file that appeared
// meanwhile.
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/storage_error.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {

NewFile::NewFile(std::string path)
    : m_path(std::move(path)), m_temporary(m_path + ".new." + std::to_string(::getpid())) {}

NewFile::~NewFile() {
    ::unlink(m_temporary.c_str());
}

bool NewFile::Create(std::string* error) {
    ::unlink(m_temporary.c_str()); // left by an earlier process of the same id
    const int fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error != nullptr) {
            *error = StorageErrorText(errno, DirectoryOf(m_path));
        }
        return false;
    }
    ::close(fd);
    return true;
}

NewFile::Placed NewFile::Place(std::string* error) {
    const int fd = ::open(m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool flushed = fd >= 0 && ::fsync(fd) == 0;
    const int flushError = errno;
    if (fd >= 0) {
        ::close(fd);
    }
    if (flushed && ::link(m_temporary.c_str(), m_path.c_str()) == 0) {
        return Placed::Linked;
    }
    if (flushed && errno == EEXIST) {
        return Placed::Present;
    }
    if (error != nullptr) {
        *error = StorageErrorText(flushed ? errno : flushError, DirectoryOf(m_path));
    }
    return Placed::Failed;
}

} // namespace tarnwick
