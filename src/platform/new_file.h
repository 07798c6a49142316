// A new file built under a temporary name beside its final path and linked into place only if
// nothing stands there yet: the final name is either absent or names a complete file, and a
// file that another process put there meanwhile (another clock starting at the same moment)
// is kept. What is left of the temporary file goes with the object.
#pragma once

#include <string>

namespace tarnwick {

class NewFile {
public:
    enum class Placed {
        Linked,  // the file is now under its final name
        Present, // a file was there already and was kept
        Failed,  // error says why; the final name is as it was
    };

    explicit NewFile(std::string path); // path: the final name; nothing is made yet
    ~NewFile();
    NewFile(const NewFile&) = delete;
    NewFile& operator=(const NewFile&) = delete;

    // Makes the temporary file, empty, for the caller to fill through TemporaryPath(). False
    // (error says why, in words about the folder: a full disk, a read-only folder) on failure.
    bool Create(std::string* error = nullptr);
    const std::string& TemporaryPath() const { return m_temporary; }

    // Flushes the temporary file to disk and links it under the final name unless a file is
    // there already.
    Placed Place(std::string* error = nullptr);

private:
    std::string m_path;
    std::string m_temporary;
};

} // namespace tarnwick
