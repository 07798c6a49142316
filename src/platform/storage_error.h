// Why a file could not be stored, in words that point the user at the cause: a full disk, a
// read-only file system or a folder they may not write to, rather than the name of whichever
// temporary or journal file happened to hit it first.
#pragma once

#include <string>

namespace tarnwick {

// The reason for errno value error while writing in directory, for example
// "the disk is full (No space left on device)" or
// "the folder /home/ann/.local/share/tarnwick is not writable (Permission denied)".
// Other values give the C library's text alone.
std::string StorageErrorText(int error, const std::string& directory);

// Why the file at path cannot be changed, or "" when nothing stands in the way: its
// permissions, or a folder that cannot take the files written beside it (a journal, a
// temporary copy).
std::string UnwritableReason(const std::string& path);

} // namespace tarnwick
