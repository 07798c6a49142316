// The offset of a server's clock from ours as an interval, and how several are combined.
//
// A Time Protocol reply names the server's whole second S, read at some moment between our
// connect (tc) and the reply's arrival (tr); so server - local lies in [S - tr, S + 1 - tc].
// Intervals of one server intersect; those of several servers are combined by the largest
// group that overlaps (Marzullo's method, as NTP's selection does). The estimate is the middle
// of an interval, its bound the half-width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

// server - local, microseconds; empty when low > high.
struct OffsetInterval {
    std::int64_t low = 0;
    std::int64_t high = 0;

    bool IsEmpty() const { return low > high; }
    std::int64_t Middle() const { return low + (high - low) / 2; }
    std::int64_t HalfWidth() const { return (high - low) / 2; }
    OffsetInterval Intersect(const OffsetInterval& other) const;
    OffsetInterval Widened(std::int64_t by) const { return {low - by, high + by}; }
    bool operator==(const OffsetInterval&) const = default;
};

// One reply: the server's second and our clock (UTC microseconds) at connect and at receipt.
struct TimeSample {
    std::int64_t serverSeconds = 0; // seconds since 1970 the server named
    std::int64_t connectedMicroseconds = 0;
    std::int64_t receiptMicroseconds = 0;
};

OffsetInterval SampleInterval(const TimeSample& sample);

// A server's answer.
struct TimeAnswer {
    std::string server;                 // "host:port"
    std::int64_t differenceSeconds = 0; // server - local at receipt, whole seconds
    TimeSample sample;
};

// The largest group of intervals with a common part. unique is false when another group of
// the same size has a different common part (two servers that disagree, one against one).
struct Overlap {
    std::vector<std::size_t> members; // indexes into the input, ascending
    OffsetInterval common{1, 0};      // the part all members share
    bool unique = false;
};
Overlap LargestOverlap(const std::vector<OffsetInterval>& intervals);

// When to start a query so that the server's change of second falls in the middle of the
// exchange: the server's second boundary B is due at local B - offset; the query starts
// lead microseconds before that (its connect plus half its exchange, as last measured), at
// the first boundary whose start is not before earliest. Microseconds since 1970 (UTC).
std::int64_t AimedStart(const OffsetInterval& estimate, std::int64_t earliest, std::int64_t lead);

} // namespace tarnwick
