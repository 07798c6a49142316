// Handing a web address to the desktop (its browser). Callers pass only addresses that
// IsWebUrl accepted; the opener never runs a shell.
#pragma once

#include <string>
#include <vector>

namespace tarnwick {

class IUrlOpener {
public:
    virtual ~IUrlOpener() = default;
    // False when the desktop could not be asked. May be called from any thread.
    virtual bool Open(const std::string& url) = 0;
};

// Records the addresses instead of opening them.
class RecordingUrlOpener final : public IUrlOpener {
public:
    bool Open(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<std::string> opened;
};

} // namespace tarnwick
