// Small TZif files (the format of /usr/share/zoneinfo) made up in a test, so that zone tests
// depend neither on the machine's time-zone database nor on its version.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick::test {

// A TZif header and data block: one transition (at 1970-01-01 00:00 UTC), one type of +1 h
// standard time named "XYZ". version '\0' is the first edition, which has no footer.
inline std::string TzifBlock(char version, int timeSize) {
    std::string out = std::string("TZif") + version + std::string(15, '\0');
    for (std::uint32_t count : {0u, 0u, 0u, 1u, 1u, 4u}) { // ut, std, leap, times, types, chars
        out += std::string({'\0', '\0', '\0', static_cast<char>(count)});
    }
    out += std::string(static_cast<std::size_t>(timeSize), '\0'); // the transition's time
    out += '\0';                                                  // its type
    out += std::string("\0\0\x0e\x10\0\0", 6);                    // +1 h, standard, name 0
    out += std::string("XYZ\0", 4);
    return out;
}

// A whole second-edition file whose footer is rule: the C library follows the rule at every
// instant after 1970.
inline std::string TzifWithFooter(const std::string& rule) {
    return TzifBlock('2', 4) + TzifBlock('2', 8) + "\n" + rule + "\n";
}

} // namespace tarnwick::test
