// "Now", read through an interface so tests and the command line can fix the instant.
// No other code reads the wall clock.
#pragma once

#include <atomic>
#include <cstdint>

namespace tarnwick {

class IClock {
public:
    virtual ~IClock() = default;
    // UTC, milliseconds since 1970-01-01 00:00:00. May be called from any thread.
    virtual std::int64_t NowUnixMilliseconds() const = 0;
    // UTC, microseconds since 1970; clocks that keep only milliseconds give those.
    virtual std::int64_t NowUnixMicroseconds() const { return NowUnixMilliseconds() * 1000; }
    // UTC, whole seconds since 1970-01-01 (rounded down, also before 1970).
    std::int64_t NowUnixSeconds() const {
        const std::int64_t ms = NowUnixMilliseconds();
        return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
    }
};

class SystemClock final : public IClock {
public:
    std::int64_t NowUnixMilliseconds() const override;
    std::int64_t NowUnixMicroseconds() const override;
    static const SystemClock& Instance();
};

// Time that passes, in milliseconds from an arbitrary start: stepping the wall clock does not
// move it, and it counts the time a machine sleeps (CLOCK_BOOTTIME on Linux). Schedules that
// mean "every so many hours" follow it.
class IElapsedClock {
public:
    virtual ~IElapsedClock() = default;
    virtual std::int64_t ElapsedMilliseconds() const = 0; // any thread
};

class BootClock final : public IElapsedClock {
public:
    std::int64_t ElapsedMilliseconds() const override;
    static const BootClock& Instance();
};

class FakeElapsedClock final : public IElapsedClock {
public:
    std::int64_t ElapsedMilliseconds() const override { return m_ms.load(); }
    void AdvanceMilliseconds(std::int64_t milliseconds) { m_ms += milliseconds; }

private:
    std::atomic<std::int64_t> m_ms{0};
};

// A clock that stands still until told otherwise; safe to set from one thread while others
// read it.
class FixedClock final : public IClock {
public:
    explicit FixedClock(std::int64_t unixSeconds) : m_nowMs(unixSeconds * 1000) {}
    std::int64_t NowUnixMilliseconds() const override { return m_nowMs.load(); }
    void Set(std::int64_t unixSeconds) { m_nowMs = unixSeconds * 1000; }
    void SetMilliseconds(std::int64_t unixMilliseconds) { m_nowMs = unixMilliseconds; }
    void Advance(std::int64_t seconds) { m_nowMs += seconds * 1000; }
    void AdvanceMilliseconds(std::int64_t milliseconds) { m_nowMs += milliseconds; }

private:
    std::atomic<std::int64_t> m_nowMs;
};

// Holds one reading of another clock until the next Latch(), so that everything derived from
// "now" in one step (the three clocks of a tick, the status, the tip) shares one instant.
// Latch() from one thread; reads from any.
class LatchedClock final : public IClock {
public:
    explicit LatchedClock(const IClock& source)
        : m_source(source), m_nowMs(source.NowUnixMilliseconds()) {}
    std::int64_t NowUnixMilliseconds() const override { return m_nowMs.load(); }
    // Reads the source once and holds that instant; returns it.
    std::int64_t Latch() {
        const std::int64_t now = m_source.NowUnixMilliseconds();
        m_nowMs = now;
        return now;
    }

private:
    const IClock& m_source;
    std::atomic<std::int64_t> m_nowMs;
};

} // namespace tarnwick
