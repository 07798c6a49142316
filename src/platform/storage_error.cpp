#include "platform/storage_error.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "platform/paths.h"

namespace tarnwick {

std::string StorageErrorText(int error, const std::string& directory) {
    const std::string system = std::strerror(error);
    switch (error) {
    case ENOSPC:
        return "the disk is full (" + system + ")";
    case EDQUOT:
        return "the disk quota is used up (" + system + ")";
    case EROFS:
        return "the folder " + directory + " is on a read-only file system (" + system + ")";
    case EACCES:
    case EPERM:
        return "the folder " + directory + " is not writable (" + system + ")";
    default:
        return system;
    }
}

std::string UnwritableReason(const std::string& path) {
    if (::access(path.c_str(), W_OK) != 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM) {
            return "its permissions do not allow writing (" + std::string(std::strerror(error)) +
                   ")";
        }
        return StorageErrorText(error, DirectoryOf(path));
    }
    if (::access(DirectoryOf(path).c_str(), W_OK) != 0) {
        return StorageErrorText(errno, DirectoryOf(path));
    }
    return {};
}

} // namespace tarnwick
