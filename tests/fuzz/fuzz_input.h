// Splits a fuzz input into fields at 0xFF bytes (which no field of interest needs), and the
// check that reports a broken property: abort(), which libFuzzer and the replay both catch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace tarnwick::fuzz {

// count fields; missing ones are empty, the last takes the rest of the input.
inline std::vector<std::string> Fields(const std::uint8_t* data, std::size_t size,
                                       std::size_t count) {
    std::vector<std::string> fields(count);
    std::size_t field = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && field + 1 < count) {
            ++field;
        } else {
            fields[field].push_back(static_cast<char>(data[i]));
        }
    }
    return fields;
}

inline void Require(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

} // namespace tarnwick::fuzz
