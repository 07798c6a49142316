// Fixture files under tests/data/ (the test runner passes its path in TARNWICK_TEST_DATA).
#pragma once

#include <cstdlib>
#include <string>

namespace tarnwick::test {

inline std::string TestDataPath(const std::string& relative) {
    const char* data = std::getenv("TARNWICK_TEST_DATA");
    return std::string(data != nullptr ? data : "tests/data") + "/" + relative;
}

} // namespace tarnwick::test
