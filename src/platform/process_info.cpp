#include "platform/process_info.h"

#include <charconv>

namespace tarnwick {

std::optional<std::uint64_t> ParseProcessStartTicks(std::string_view statLine) {
    const std::size_t close = statLine.rfind(')');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view rest = statLine.substr(close + 1);
    // Field 3 (the state) is the first after ") "; field 22 is the twentieth.
    for (int field = 3;; ++field) {
        const std::size_t begin = rest.find_first_not_of(' ');
        if (begin == std::string_view::npos) {
            return std::nullopt;
        }
        rest.remove_prefix(begin);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (field == 22) {
            std::uint64_t ticks = 0;
            const std::string_view text = rest.substr(0, end);
            const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), ticks);
            if (ec != std::errc() || ptr != text.data() + text.size()) {
                return std::nullopt;
            }
            return ticks;
        }
        rest.remove_prefix(end);
    }
}

} // namespace tarnwick
