#include "platform/posix_tz.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The cases of a fixture under tests/data/zones/: the text between the first two quotes of
// each line that is not a comment, and what follows it.
std::vector<std::pair<std::string, std::string>> QuotedCases(const std::string& name) {
    std::ifstream in(test::TestDataPath("zones/" + name));
    std::vector<std::pair<std::string, std::string>> cases;
    for (std::string line; std::getline(in, line);) {
        const std::size_t close = line.find('\'', 1);
        if (line.rfind('\'', 0) == 0 && close != std::string::npos) {
            const std::size_t rest = line.find_first_not_of(' ', close + 1);
            cases.emplace_back(line.substr(1, close - 1),
                               rest == std::string::npos ? "" : line.substr(rest));
        }
    }
    EXPECT_FALSE(cases.empty()) << name;
    return cases;
}

TEST(PosixTz, RulesBecomeZoneRecords) {
    // Every rule of the shipped presets is checked against the C library (presets.cpp); here
    // a plain rule and the forms none of them has: an explicit daylight offset of two hours
    // and a change at a time with minutes; an explicit '+', a quoted '-' and a Saturday at 0:00;
    // no dates, which means the United States rules. The day-of-the-year forms are refused
    // (tests/data/zones/posix_tz_unholdable.txt).
    const std::pair<const char*, TimeZoneInformation> rows[] = {
        {"CET-1CEST,M3.5.0,M10.5.0/3",
         {-60, "CET", {0, 10, 0, 5, 3}, 0, "CEST", {0, 3, 0, 5, 2}, -60}},
        {"<+00>0<+02>-2,M3.5.0/1:30,M10.5.0/3",
         {0, "+00", {0, 10, 0, 5, 3}, 0, "+02", {0, 3, 0, 5, 1, 30}, -120}},
        {"<-0130>+1:30<+01>-1,M1.1.6/0,M12.5.0",
         {90, "-0130", {0, 12, 0, 5, 2}, 0, "+01", {0, 1, 6, 1, 0}, -150}},
        {"AAA3BBB", {180, "AAA", {0, 11, 0, 1, 2}, 0, "BBB", {0, 3, 0, 2, 2}, -60}},
    };
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        const std::optional<PosixTzRule> rule = ParsePosixTz(text);
        ASSERT_TRUE(rule.has_value());
        TimeZoneInformation tzi;
        std::string why;
        ASSERT_TRUE(ToTimeZoneInformation(*rule, tzi, why)) << why;
        EXPECT_EQ(tzi, expected);
    }
}

TEST(PosixTz, RejectsMalformedRules) {
    for (const auto& [text, why] : QuotedCases("posix_tz_malformed.txt")) {
        EXPECT_FALSE(ParsePosixTz(text).has_value()) << "'" << text << "' (" << why << ")";
    }
}

TEST(PosixTz, RefusesRulesTheRecordCannotHold) {
    for (const auto& [text, reasonPart] : QuotedCases("posix_tz_unholdable.txt")) {
        SCOPED_TRACE(text);
        const std::optional<PosixTzRule> rule = ParsePosixTz(text);
        ASSERT_TRUE(rule.has_value());
        TimeZoneInformation tzi;
        tzi.Bias = 12345;
        std::string why;
        EXPECT_FALSE(ToTimeZoneInformation(*rule, tzi, why));
        EXPECT_NE(why.find(reasonPart), std::string::npos) << why;
        EXPECT_EQ(tzi.Bias, 12345); // left untouched
    }
}

TEST(TzifFooter, IsTheLineAfterTheSecondBlock) {
    const test::TempDir tmp;
    const auto footer = [&tmp](const std::string& bytes) {
        test::WriteFileBytes(tmp / "zone", bytes);
        return ReadTzifFooter(tmp / "zone");
    };
    // Both files hold one type of +1 h named XYZ; a first-edition block is as long as the
    // first block of a second-edition file.
    const std::string v1 = test::ReadFileBytes(test::TestDataPath("zones/xyz_first_edition.tzif"));
    const std::string v2 = test::ReadFileBytes(test::TestDataPath("zones/xyz_no_footer.tzif"));
    EXPECT_EQ(footer(v2 + "\nXYZ-1\n"), "XYZ-1");
    EXPECT_EQ(footer(v2 + "\n\n"), "");
    EXPECT_EQ(footer(v1), "");
    // Cut short anywhere, a footer without its newlines, not a TZif file.
    for (const std::string& broken :
         {std::string(), std::string("TZi"), std::string("NOTATZIF"), v2.substr(0, 50),
          v2.substr(0, v1.size()), v2.substr(0, v2.size() - 1), v2 + "\nXYZ-1", v2 + "XYZ-1\n"}) {
        EXPECT_FALSE(footer(broken).has_value()) << broken.size();
    }
    EXPECT_FALSE(ReadTzifFooter(tmp / "missing"));
    EXPECT_FALSE(ReadTzifFooter(tmp.Path())); // a directory
}

} // namespace
} // namespace tarnwick
