// Sets an environment variable for the length of a scope (unsets it for nullopt) and puts the
// old value back afterwards; TZ changes are passed on to the C library at once.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace tarnwick::test {

class ScopedEnv {
public:
    // Only remembers the value, for a later Set().
    explicit ScopedEnv(const char* name) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
    }
    ScopedEnv(const char* name, const std::optional<std::string>& value) : ScopedEnv(name) {
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name.c_str(), value->c_str(), 1);
        } else {
            ::unsetenv(m_name.c_str());
        }
        if (m_name == "TZ") {
            ::tzset();
        }
    }

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace tarnwick::test
