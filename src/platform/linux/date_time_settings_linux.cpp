#include "platform/date_time_settings.h"

#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

bool IsOnPath(const std::string& name, const std::string& pathVariable) {
    if (name.empty() || name.find('/') != std::string::npos) {
        return false;
    }
    std::string directory;
    for (char c : pathVariable + ":") {
        if (c != ':') {
            directory += c;
            continue;
        }
        if (!directory.empty() && directory.front() == '/') {
            const std::string candidate = directory + "/" + name;
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0) {
                return true;
            }
        }
        directory.clear();
    }
    return false;
}

} // namespace tarnwick
