// Whole-file reads and atomic replacement of small files (settings, autostart entries): a
// write goes to a temporary file in the same directory, is flushed to disk and renamed over
// the old file, so a crash or a full disk leaves either the old or the new file, never half.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

enum class FileReadStatus {
    Read,       // bytes hold the whole file
    Missing,    // the file (or a directory on its path) does not exist
    Unreadable, // it exists but could not be read; error says why
};

// Files larger than this are refused rather than loaded into memory: the program's own files
// are a few kilobytes.
inline constexpr std::size_t kMaxReadableFileBytes = 1024u * 1024u;

// Reads the whole regular file into bytes. Anything else (a FIFO, a device, a directory, a
// link to one) is Unreadable without blocking or reading from it, as is a file larger than
// kMaxReadableFileBytes. error (when given) is set to "<path>: <reason>" on Unreadable.
FileReadStatus ReadWholeFile(const std::string& path, std::string& bytes,
                             std::string* error = nullptr);

// Replaces the file's contents with bytes atomically. An existing file keeps its permission
// bits (and, where allowed, its owner); a new file gets 0666 less the umask. A symbolic link
// is followed, so the link stays and its target is replaced, but only to a regular file that
// the user owns; any other link is refused. An existing file without its owner's write
// permission (the user protected it) is refused, as is anything but a regular file. On failure the
// old file is left as it was, nothing is left behind, and error (when given) says what failed, with
// the path and the errno text.
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// The outcome of CopyFileIfAbsent.
enum class FileCopyStatus {
    Copied,   // to holds a complete copy of from
    Present,  // to already existed and was left alone
    NoSource, // from does not exist
    Failed,   // error says why; to is as it was
};

// Copies from to a temporary file beside to, flushes it to disk and links it into place only
// if to still does not exist, so a half-written copy is never seen under to's name and a file
// another process created meanwhile is never replaced.
FileCopyStatus CopyFileIfAbsent(const std::string& from, const std::string& to,
                                std::string* error = nullptr);

// Creates the directory and its missing parents (mode 0700 for new ones, as the XDG base
// directory rules ask). True when it exists afterwards.
bool MakeDirectories(const std::string& directory, std::string* error = nullptr);

} // namespace tarnwick
