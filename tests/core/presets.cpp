// The shipped preset zones: every row agrees with the system's time-zone database (through
// the C library) around each transition of the current year; the generator groups zones by
// rule, leaves out what the columns cannot express, and the seed builds into a database.
#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "tools/preset_zones.h"
#include "zones/zone_clock.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {
namespace {

const char* const kZoneinfo = "/usr/share/zoneinfo";

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The C library's view of one zone, set through TZ for the object's life.
class CZone {
public:
    explicit CZone(const std::string& zone)
        : m_tz("TZ", ":" + std::string(kZoneinfo) + "/" + zone) {}
    std::pair<int, bool> At(std::int64_t t) const {
        const std::time_t tt = static_cast<std::time_t>(t);
        std::tm parts{};
        ::localtime_r(&tt, &parts);
        return {static_cast<int>(parts.tm_gmtoff / 60), parts.tm_isdst > 0};
    }
    // Changes of offset or flag within [begin, end), to the second.
    std::vector<std::int64_t> Transitions(std::int64_t begin, std::int64_t end) const {
        std::vector<std::int64_t> found;
        auto before = At(begin);
        for (std::int64_t t = begin + 1800; t < end; t += 1800) {
            if (At(t) == before) {
                continue;
            }
            std::int64_t low = t - 1800, high = t;
            while (high - low > 1) {
                const std::int64_t mid = (low + high) / 2;
                (At(mid) == before ? low : high) = mid;
            }
            found.push_back(high);
            before = At(t);
        }
        return found;
    }

private:
    test::ScopedEnv m_tz;
};

std::string Utc(std::int64_t t) {
    return DateTime::FromUnixSeconds(t).Format("%Y-%m-%d %H:%M:%S UTC");
}

// Empty when the loaded zone agrees with the C library for zone throughout year.
std::string Compare(CZoneClock& zone, FixedClock& clock, const std::string& ianaZone, int year) {
    const CZone library(ianaZone);
    const std::int64_t begin = DateTime(year, 1, 1, 0, 0, 0).ToUnixSeconds();
    const std::int64_t end = DateTime(year + 1, 1, 1, 0, 0, 0).ToUnixSeconds();
    std::vector<std::int64_t> instants = {DateTime(year, 1, 15, 12, 0, 0).ToUnixSeconds(),
                                          DateTime(year, 7, 15, 12, 0, 0).ToUnixSeconds()};
    for (std::int64_t t : library.Transitions(begin, end)) {
        instants.insert(instants.end(), {t - 60, t, t + 60});
    }
    for (std::int64_t t : instants) {
        clock.Set(t);
        zone.GetZoneTime();
        const auto [offset, dst] = library.At(t);
        if (zone.GetOffsetMinutes() != offset || zone.IsDstNow() != dst) {
            std::ostringstream why;
            why << ianaZone << " at " << Utc(t) << ": clock " << zone.GetOffsetMinutes()
                << (zone.IsDstNow() ? " daylight" : " standard") << ", C library " << offset
                << (dst ? " daylight" : " standard");
            return why.str();
        }
    }
    return "";
}

TEST(Presets, EveryShippedRowAgreesWithTheSystemZoneDatabase) {
    const std::string binDir = Env("TARNWICK_BIN_DIR");
    ASSERT_FALSE(binDir.empty());
    ASSERT_EQ(::access((binDir + "/timezones.mdb").c_str(), R_OK), 0)
        << "build the tarnwick_presets target first";
    const int year = DateTime::FromUnixSeconds(SystemClock::Instance().NowUnixSeconds()).GetYear();

    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(binDir, "timezones");
    ASSERT_TRUE(db.Connect(ZoneCreateStatement()));
    ASSERT_TRUE(db.Query("SELECT timeZoneID,m_TimeZoneName,m_Cities FROM presetTimeZones"));
    std::vector<std::pair<int, std::vector<CFieldValue>>> rows;
    while (db.NextRecord()) {
        std::vector<CFieldValue> zones;
        db.GetField("m_Cities").Split(",", zones);
        EXPECT_LE(db.GetField("m_TimeZoneName").Text().size(), 255u);
        EXPECT_LE(db.GetField("m_Cities").Text().size(), 100u);
        rows.emplace_back(db.GetField("timeZoneID").ToInt(), zones);
    }
    ASSERT_GE(rows.size(), 60u) << "the presets should cover the world";

    FixedClock clock(0);
    FixedLocalZone utc(0, "UTC");
    CZoneClock zone(clock, utc);
    ASSERT_TRUE(zone.ConnectDatabase(binDir, messages));
    int daylightRows = 0;
    for (const auto& [id, zones] : rows) {
        ASSERT_TRUE(zone.LoadZone(id));
        ASSERT_EQ(zone.GetRecord().timeZoneID, id);
        daylightRows += zone.GetRecord().dstUse ? 1 : 0;
        ASSERT_FALSE(zones.empty()) << "row " << id << " names no zone";
        std::string firstWhy;
        bool agrees = false;
        for (const CFieldValue& ianaZone : zones) {
            if (agrees) {
                break;
            }
            const std::string why = Compare(zone, clock, ianaZone.Text(), year);
            agrees = agrees || why.empty();
            if (firstWhy.empty()) {
                firstWhy = why;
            }
        }
        EXPECT_TRUE(agrees) << "row " << id << ": " << firstWhy;
    }
    EXPECT_GE(daylightRows, 10);
    EXPECT_TRUE(messages.shown.empty());
}

TEST(Presets, ColumnsCarryTheHoursSignAndTheRules) {
    TimeZoneInformation tzi;
    tzi.Bias = 210; // G.M.T. -3:30
    tzi.StandardName = "NST";
    tzi.DaylightName = "NDT";
    tzi.DaylightBias = -60;
    tzi.DaylightDate = {0, 3, 0, 2, 2, 0, 0, 0};   // second Sunday of March, 2:00
    tzi.StandardDate = {0, 11, 0, 1, 0, 30, 0, 0}; // first Sunday of November, 0:30
    const ZoneColumns c = ColumnsFromTimeZoneInformation(tzi);
    EXPECT_EQ(c.gmtBiasHour, -3);
    EXPECT_EQ(c.gmtBiasMinute, -30);
    EXPECT_EQ(c.dstUse, 1);
    EXPECT_EQ(c.dstBiasHour, 1);
    EXPECT_EQ(c.dstBiasMinute, 0);
    EXPECT_EQ((std::vector<int>{c.dstStartCountDow, c.dstDow, c.dstMonth, c.dstHour, c.dstAmPm,
                                c.dstMinute}),
              (std::vector<int>{2, 0, 3, 2, 1, 0}));
    EXPECT_EQ((std::vector<int>{c.stdStartCountDow, c.stdDow, c.stdMonth, c.stdHour, c.stdAmPm,
                                c.stdMinute}),
              (std::vector<int>{1, 0, 11, 12, 1, 30}));
    // Round trip through the record the clock uses, at every hour of the twelve-hour columns.
    for (int hour = 0; hour < 24; ++hour) {
        tzi.StandardDate.wHour = hour;
        CZoneRecord record;
        FillRecordFromColumns(1, ColumnsFromTimeZoneInformation(tzi), record);
        EXPECT_EQ(record.tzi, tzi) << hour;
    }

    tzi.DaylightDate = {};
    const ZoneColumns plain = ColumnsFromTimeZoneInformation(tzi);
    EXPECT_EQ(plain.dstUse, 0);
    EXPECT_EQ(plain.dstMonth, 0);
    EXPECT_EQ(plain.dstAbbr, "");
}

class PresetGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream tab(dir + "/zone.tab");
        tab << "# code\tcoordinates\tTZ\n";
        for (const char* zone : {"Europe/Paris", "Africa/Cairo", "Asia/Kolkata", "Europe/Berlin",
                                 "America/St_Johns", "Europe/Nowhere"}) {
            tab << "XX\t+0000+00000\t" << zone << "\n";
            const std::filesystem::path to = dir + "/" + zone;
            std::filesystem::create_directories(to.parent_path());
            std::error_code missing; // Europe/Nowhere
            std::filesystem::copy_file(std::string(kZoneinfo) + "/" + zone, to, missing);
        }
    }
    test::TempDir tmp;
    const std::string dir = tmp.Path();
};

TEST_F(PresetGeneratorTest, GroupsZonesByRuleAndListsWhatItLeavesOut) {
    PresetGeneration generation;
    std::string error;
    ASSERT_TRUE(GeneratePresets(dir, 2026, generation, error)) << error;
    EXPECT_EQ(generation.rows, 3);
    ASSERT_EQ(generation.excluded.size(), 2u);
    EXPECT_EQ(generation.excluded[0], "Africa/Cairo (EET-2EEST,M4.5.5/0,M10.5.4/24): the end of "
                                      "daylight time falls at an hour outside 0 to 23");
    EXPECT_NE(generation.excluded[1].find("Europe/Nowhere: "), std::string::npos);

    // Ordered by G.M.T. offset; Paris and Berlin share one row.
    const std::string& sql = generation.sql;
    const std::size_t stJohns = sql.find("\"Newfoundland Time, St Johns\",\"\",\"\","
                                         "\"America/St_Johns\",-3,-30,1,\"NST\",1,0,0,1,0,11,2,0,"
                                         "\"NDT\",1,1,0,2,0,3,2,0)");
    const std::size_t europe = sql.find("\"Central European Time, Paris, Berlin\",\"\",\"\","
                                        "\"Europe/Paris, Europe/Berlin\",1,0,1,\"CET\",1,0,0,5,0,"
                                        "10,3,0,\"CEST\",1,1,0,5,0,3,2,0)");
    const std::size_t india = sql.find("\"India Standard Time, Kolkata\",\"\",\"\","
                                       "\"Asia/Kolkata\",5,30,0,\"IST\"");
    ASSERT_NE(stJohns, std::string::npos) << sql;
    ASSERT_NE(europe, std::string::npos) << sql;
    ASSERT_NE(india, std::string::npos) << sql;
    EXPECT_LT(stJohns, europe);
    EXPECT_LT(europe, india);

    // The seed builds into a database the clock reads.
    const std::string seed = dir + "/presets.sql";
    std::ofstream(seed) << sql;
    RecordingMessageBox messages;
    ASSERT_TRUE(BuildPresetDatabase(seed, dir + "/timezones.mdb", messages, error)) << error;
    FixedClock clock(DateTime(2026, 7, 1, 0, 0, 0).ToUnixSeconds());
    FixedLocalZone utc(0, "UTC");
    CZoneClock zone(clock, utc);
    ASSERT_TRUE(zone.ConnectDatabase(dir, messages));
    zone.LoadZone(2);
    zone.GetZoneTime();
    EXPECT_EQ(zone.GetAbbreviation(), "CEST");
    EXPECT_EQ(zone.GetOffsetMinutes(), 120);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PresetGeneratorTest, AFailingSeedLeavesThePreviousDatabaseInPlace) {
    const std::string out = dir + "/timezones.mdb";
    std::ofstream(out) << "previous build";
    const std::string seed = dir + "/bad.sql";
    std::ofstream(seed) << "-- comment\nINSERT INTO presetTimeZones  (m_TimeZoneName,m_GMTBiasHour,"
                           "m_GMTBiasMinute,m_DSTUse) VALUES (\"A\",1,0,0) ;\n"
                           "INSERT INTO nowhere (a) VALUES (1) ;\n";
    RecordingMessageBox messages;
    std::string error;
    EXPECT_FALSE(BuildPresetDatabase(seed, out, messages, error));
    EXPECT_EQ(error, seed + ":3: the statement failed");
    EXPECT_EQ(test::ReadFileBytes(out), "previous build");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("no such table: nowhere"), std::string::npos);
}

} // namespace
} // namespace tarnwick
