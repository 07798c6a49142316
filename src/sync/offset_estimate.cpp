#include "sync/offset_estimate.h"

#include <algorithm>

namespace tarnwick {

namespace {

constexpr std::int64_t kSecond = 1'000'000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

OffsetInterval OffsetInterval::Intersect(const OffsetInterval& other) const {
    return {std::max(low, other.low), std::min(high, other.high)};
}

OffsetInterval SampleInterval(const TimeSample& sample) {
    const std::int64_t second = sample.serverSeconds * kSecond;
    return {second - sample.receiptMicroseconds, second + kSecond - sample.connectedMicroseconds};
}

Overlap LargestOverlap(const std::vector<OffsetInterval>& intervals) {
    // Sweep over the ends: an interval counts from its low end to its high end, both included,
    // so starts come before ends at the same point.
    struct Edge {
        std::int64_t at;
        int step; // +1 start, -1 end
    };
    std::vector<Edge> edges;
    for (const OffsetInterval& interval : intervals) {
        if (!interval.IsEmpty()) {
            edges.push_back({interval.low, +1});
            edges.push_back({interval.high, -1});
        }
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.at != b.at ? a.at < b.at : a.step > b.step;
    });
    Overlap best;
    int count = 0;
    int bestCount = 0;
    int regionsAtBest = 0;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        count += edges[i].step;
        if (edges[i].step > 0 && count >= bestCount) {
            // From here to the next edge count intervals overlap; a region of the largest
            // count always ends at an end (another start would make it larger).
            if (count > bestCount) {
                bestCount = count;
                regionsAtBest = 0;
            }
            ++regionsAtBest;
            best.common = {edges[i].at, edges[i + 1].at};
        }
    }
    if (bestCount == 0) {
        return {};
    }
    for (std::size_t i = 0; i < intervals.size(); ++i) {
        if (!intervals[i].IsEmpty() && !intervals[i].Intersect(best.common).IsEmpty()) {
            best.members.push_back(i);
        }
    }
    best.unique = regionsAtBest == 1;
    return best;
}

std::int64_t AimedStart(const OffsetInterval& estimate, std::int64_t earliest, std::int64_t lead) {
    const std::int64_t offset = estimate.Middle();
    // The first server second B with B - offset - lead >= earliest.
    const std::int64_t boundary = FloorDiv(earliest + lead + offset + kSecond - 1, kSecond);
    return boundary * kSecond - offset - lead;
}

} // namespace tarnwick
