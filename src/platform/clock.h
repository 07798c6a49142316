// "Now", read through an interface so tests and the command line can fix the instant.
// No other code reads the wall clock.
#pragma once

#include <cstdint>

namespace tarnwick {

class IClock {
public:
    virtual ~IClock() = default;
    virtual std::int64_t NowUnixSeconds() const = 0; // UTC, seconds since 1970-01-01
};

class SystemClock final : public IClock {
public:
    std::int64_t NowUnixSeconds() const override;
    static const SystemClock& Instance();
};

// A clock that stands still until told otherwise.
class FixedClock final : public IClock {
public:
    explicit FixedClock(std::int64_t unixSeconds) : m_now(unixSeconds) {}
    std::int64_t NowUnixSeconds() const override { return m_now; }
    void Set(std::int64_t unixSeconds) { m_now = unixSeconds; }
    void Advance(std::int64_t seconds) { m_now += seconds; }

private:
    std::int64_t m_now;
};

} // namespace tarnwick
