// Reading the process's start time out of /proc/PID/stat lines.
#include <gtest/gtest.h>

#include <string>

#include "platform/process_info.h"

namespace tarnwick {
namespace {

// Fields 3..21 of a real line, then the start time 4242 and the fields after it.
const std::string kAfterName = " S 1 1234 1234 0 -1 4194560 900 0 0 0 12 3 0 0 20 0 4 0 4242 "
                               "812138496 12345 18446744073709551615";

TEST(ProcessStat, StartTimeIsFieldTwentyTwoCountedAfterTheName) {
    EXPECT_EQ(ParseProcessStartTicks("4321 (tarnwick)" + kAfterName), 4242u);
    // A command name may hold blanks and parentheses of its own.
    EXPECT_EQ(ParseProcessStartTicks("4321 (a) b (c d)" + kAfterName), 4242u);
    EXPECT_FALSE(ParseProcessStartTicks("4321 tarnwick S 1 2 3").has_value());   // no ')'
    EXPECT_FALSE(ParseProcessStartTicks("4321 (tarnwick) S 1 2 3").has_value()); // cut short
    EXPECT_FALSE(ParseProcessStartTicks("4321 (x) S 1 1 1 0 -1 4 9 0 0 0 1 3 0 0 20 0 4 0 4x2 1")
                     .has_value());
}

TEST(ProcessStat, ThisProcessStartedBeforeNow) {
    long long boottimeNs = 0;
    const double since = MillisecondsSinceProcessStart(boottimeNs);
    EXPECT_GT(boottimeNs, 0);
    EXPECT_GE(since, 0.0);
    EXPECT_LT(since, 3600.0 * 1000.0); // a test program runs for minutes at most
}

} // namespace
} // namespace tarnwick
