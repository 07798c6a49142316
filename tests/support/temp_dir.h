// A temporary directory for one test, removed with everything in it when the test ends.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick::test {

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed for " + pattern);
        }
        m_path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        // Give back write access that a test took away, so everything can be removed.
        for (auto it = std::filesystem::recursive_directory_iterator(m_path, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
                ::chmod(it->path().c_str(), 0700);
            }
        }
        ::chmod(m_path.c_str(), 0700);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Whether file permissions bind this process. Root with CAP_DAC_OVERRIDE writes into a folder
// of mode 0555 and reads a file of mode 0200 anyway; tests/with_small_disks.sh takes that away.
inline bool PermissionsBind() {
    TempDir probe;
    ::chmod(probe.Path().c_str(), 0555);
    return !std::ofstream(probe / "probe"); // the folder's removal takes the file with it
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// Writes zeros to path until the file system refuses more; true when it did (the disk is full).
inline bool FillDisk(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    static const char block[4096] = {};
    bool full = false;
    for (int i = 0; i < 100000 && !full; ++i) { // bounded: the small disks are a few MiB at most
        full = ::write(fd, block, sizeof block) < 0 && errno == ENOSPC;
    }
    // A few bytes may still fit into a block the file system keeps back; take them too.
    while (!full && ::write(fd, block, 1) == 1) {
    }
    ::close(fd);
    return true;
}

inline unsigned ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

} // namespace tarnwick::test
