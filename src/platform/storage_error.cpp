#include "platform/storage_error.h"

#include <cerrno>
#include <cstring>

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

} // namespace tarnwick
