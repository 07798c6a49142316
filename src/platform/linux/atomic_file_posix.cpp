// POSIX implementation of the whole-file helpers: temporary file + fsync + rename.
#include "platform/atomic_file.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/storage_error.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tarnwick {

namespace {

std::string ErrnoText(int error) {
    return std::strerror(error);
}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

std::string BaseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file that a write to path must replace: path itself, or the target of a symbolic link
// (followed up to a bounded depth so a loop cannot hang us).
std::string ResolveLinks(std::string path) {
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            return path;
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            return path;
        }
        std::string next(target, static_cast<std::size_t>(n));
        if (next.front() != '/') {
            next = DirectoryOf(path) + "/" + next;
        }
        path = next;
    }
    return path;
}

std::string FileKind(mode_t mode) {
    if (S_ISFIFO(mode)) {
        return "a FIFO";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    if (S_ISSOCK(mode)) {
        return "a socket";
    }
    if (S_ISDIR(mode)) {
        return "a directory";
    }
    return "not a plain file";
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string TooLargeText(std::uint64_t size) {
    return "the file is too large (" + std::to_string(size) + " bytes; at most " +
           std::to_string(kMaxReadableFileBytes) + " are read)";
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace

FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string* error) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int e = errno;
        if (e == ENOENT || e == ENOTDIR) {
            return FileReadStatus::Missing;
        }
        SetError(error, path + ": " + ErrnoText(e));
        return FileReadStatus::Unreadable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int e = errno;
        ::close(fd);
        SetError(error, path + ": " + ErrnoText(e));
        return FileReadStatus::Unreadable;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        SetError(error, path + ": " + ErrnoText(EISDIR));
        return FileReadStatus::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        SetError(error, path + ": not a regular file (" + FileKind(st.st_mode) + ")");
        return FileReadStatus::Unreadable;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxReadableFileBytes) {
        ::close(fd);
        SetError(error, path + ": " + TooLargeText(static_cast<std::uint64_t>(st.st_size)));
        return FileReadStatus::Unreadable;
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) {
            break;
        }
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int e = errno;
            ::close(fd);
            bytes.clear();
            SetError(error, path + ": " + ErrnoText(e));
            return FileReadStatus::Unreadable;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > kMaxReadableFileBytes) { // it grew while we read
            ::close(fd);
            SetError(error, path + ": " + TooLargeText(bytes.size()));
            bytes.clear();
            return FileReadStatus::Unreadable;
        }
    }
    ::close(fd);
    return FileReadStatus::Read;
}

bool WriteFileAtomically(const std::string& requestedPath, std::string_view bytes,
                         std::string* error) {
    const std::string path = ResolveLinks(requestedPath);
    const std::string directory = DirectoryOf(path);

    struct stat old {};
    const bool existed = ::stat(path.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) {
        SetError(error, "cannot write " + path + ": " + ErrnoText(EISDIR));
        return false;
    }
    if (existed && !S_ISREG(old.st_mode)) {
        SetError(error,
                 "cannot write " + path + ": not a regular file (" + FileKind(old.st_mode) + ")");
        return false;
    }
    if (path != requestedPath) {
        // Through a link only into the user's own regular file, never into a file of someone
        // else's that the link happens to name (nor a file the link would create).
        if (!existed) {
            SetError(error, "cannot write " + requestedPath + ": it is a symbolic link to " + path +
                                ", which does not exist");
            return false;
        }
        if (old.st_uid != ::geteuid()) {
            SetError(error, "cannot write " + requestedPath + ": it is a symbolic link to " + path +
                                ", which belongs to another user (uid " +
                                std::to_string(old.st_uid) + ")");
            return false;
        }
    }
    if (existed && (old.st_mode & S_IWUSR) == 0) {
        // Renaming over it would succeed in a writable directory; respect the protection.
        SetError(error, "cannot write " + path + ": the file is read-only (mode " +
                            OctalMode(old.st_mode) + ")");
        return false;
    }

    static std::atomic<unsigned> counter{0};
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = directory + "/." + BaseNameOf(path) + ".tmp-" + std::to_string(::getpid()) +
                    "-" + std::to_string(counter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        // Creating a file in the folder is the first thing that meets a read-only folder or
        // file system, or a full disk: say which, not which temporary name was tried.
        SetError(error, "cannot write " + path + ": " + StorageErrorText(errno, directory));
        return false;
    }

    // Writing the new contents fails on a full disk or a used-up quota; the old file is intact.
    auto failStoring = [&](int e) {
        ::close(fd);
        ::unlink(temporary.c_str());
        SetError(error, "cannot write " + path + ": " + StorageErrorText(e, directory));
        return false;
    };

    if (existed) {
        // Keep who may read and write the file; the owner only where we are allowed to.
        if (::fchmod(fd, old.st_mode & 07777) != 0) {
            const int e = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            SetError(error, "cannot write " + path + ": cannot set the permissions of " +
                                temporary + ": " + ErrnoText(e));
            return false;
        }
        if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        }
    }
    if (!WriteAll(fd, bytes)) {
        return failStoring(errno);
    }
    if (::fsync(fd) != 0) {
        return failStoring(errno);
    }
    if (::close(fd) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        SetError(error, "cannot write " + path + ": " + StorageErrorText(e, directory));
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int e = errno;
        ::unlink(temporary.c_str());
        SetError(error,
                 "cannot write " + path + ": cannot replace it: " + StorageErrorText(e, directory));
        return false;
    }
    // Make the rename itself durable; a failure here no longer endangers the old contents.
    const int dirFd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

bool MakeDirectories(const std::string& directory, std::string* error) {
    if (directory.empty()) {
        SetError(error, "empty directory name");
        return false;
    }
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = directory.find('/', pos + 1);
        const std::string part = directory.substr(0, pos);
        if (part.empty()) {
            continue;
        }
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            const int e = errno;
            SetError(error, "cannot create directory " + part + ": " + ErrnoText(e));
            return false;
        }
    }
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetError(error, "cannot create directory " + directory + ": " +
                            ErrnoText(::stat(directory.c_str(), &st) != 0 ? errno : ENOTDIR));
        return false;
    }
    return true;
}

FileCopyStatus CopyFileIfAbsent(const std::string& from, const std::string& to,
                                std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::symlink_status(to, ec).type() != fs::file_type::not_found) {
        return FileCopyStatus::Present;
    }
    if (!fs::exists(from, ec)) {
        return FileCopyStatus::NoSource;
    }
    NewFile copy(to);
    std::string why;
    if (copy.Create(&why) &&
        !fs::copy_file(from, copy.TemporaryPath(), fs::copy_options::overwrite_existing, ec)) {
        why = ec.category() == std::generic_category() || ec.category() == std::system_category()
                  ? StorageErrorText(ec.value(), DirectoryOf(to))
                  : ec.message();
    }
    if (!why.empty()) {
        SetError(error, "cannot copy " + from + " to " + to + ": " + why);
        return FileCopyStatus::Failed;
    }
    switch (copy.Place(&why)) {
    case NewFile::Placed::Linked:
        return FileCopyStatus::Copied;
    case NewFile::Placed::Present:
        return FileCopyStatus::Present;
    case NewFile::Placed::Failed:
        break;
    }
    SetError(error, "cannot create " + to + ": " + why);
    return FileCopyStatus::Failed;
}

} // namespace tarnwick
