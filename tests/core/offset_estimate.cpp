// Intervals of the offset: one reply's, the largest overlapping group of several, and when to
// ask so that the server's second changes in the middle of the exchange.
#include <gtest/gtest.h>

#include <vector>

#include "sync/offset_estimate.h"

using namespace tarnwick;

namespace {

TEST(OffsetInterval, OfOneReplySpansTheServersSecondAndTheExchange) {
    // Second 100 read between our 99.400 and 99.500: server - local in [0.5, 1.6].
    const OffsetInterval interval = SampleInterval({100, 99'400'000, 99'500'000});
    EXPECT_EQ(interval, (OffsetInterval{500'000, 1'600'000}));
    EXPECT_EQ(interval.Middle(), 1'050'000);
    EXPECT_EQ(interval.HalfWidth(), 550'000);
}

struct OverlapCase {
    const char* what;
    std::vector<OffsetInterval> intervals;
    std::vector<std::size_t> members;
    OffsetInterval common;
    bool unique;
};

class LargestOverlap : public ::testing::TestWithParam<OverlapCase> {};

TEST_P(LargestOverlap, FindsTheMajorityAndItsCommonPart) {
    const OverlapCase& c = GetParam();
    const Overlap overlap = tarnwick::LargestOverlap(c.intervals);
    EXPECT_EQ(overlap.unique, c.unique) << c.what;
    if (c.unique) { // a tie has no one answer
        EXPECT_EQ(overlap.members, c.members) << c.what;
        EXPECT_EQ(overlap.common, c.common) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Groups, LargestOverlap,
    ::testing::Values(
        OverlapCase{
            "two honest, one liar", {{0, 10}, {5, 15}, {1000, 1010}}, {0, 1}, {5, 10}, true},
        OverlapCase{"liar first", {{1000, 1010}, {0, 10}, {5, 15}}, {1, 2}, {5, 10}, true},
        OverlapCase{"one against one", {{0, 10}, {20, 30}}, {}, {}, false},
        OverlapCase{"touching ends overlap", {{0, 10}, {10, 20}}, {0, 1}, {10, 10}, true},
        OverlapCase{"empty intervals never count", {{5, 0}, {0, 10}}, {1}, {0, 10}, true},
        OverlapCase{"nothing", {{5, 0}}, {}, {}, false}));

TEST(AimedStart, PutsTheServersNextSecondInTheMiddleOfTheExchange) {
    // Offset +0.3 s: the server's second B begins at local B - 0.3; with a lead of 0.1 s the
    // query starts at B - 0.4, the first such start not before earliest.
    const OffsetInterval estimate{250'000, 350'000};
    EXPECT_EQ(AimedStart(estimate, 10'000'000, 100'000), 10'600'000);
    EXPECT_EQ(AimedStart(estimate, 10'600'000, 100'000), 10'600'000);
    EXPECT_EQ(AimedStart(estimate, 10'600'001, 100'000), 11'600'000);
    // A negative offset, before 1970: the same rule.
    EXPECT_EQ(AimedStart({-2'300'000, -2'300'000}, -5'000'000, 0), -4'700'000);
}

} // namespace
