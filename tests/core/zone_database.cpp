// The zone database: the statement dialect, recordset stepping and counts, field texts and
// conversions, files that are not (or not only) ours, and the merge of a newer shipped release.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "platform/message_box.h"
#include "support/case_tables.h"
#include "support/temp_dir.h"
#include "support/zones_seed.h"
#include "zones/preset_update.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {
namespace {

using test::TempDir;

class ZoneDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::ConnectZones(db, dir.Path()));
        ASSERT_TRUE(messages.shown.empty());
    }
    void Insert(const std::string& name, int hour, int minute) {
        ASSERT_TRUE(db.Query("INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,"
                             "m_GMTBiasMinute,m_DSTUse) VALUES (\"" +
                             name + "\",\"" + std::to_string(hour) + "\",\"" +
                             std::to_string(minute) + "\",\"0\")"));
    }
    std::string LastMessage() const {
        return messages.shown.empty() ? std::string() : messages.shown.back().text;
    }

    TempDir dir;
    RecordingMessageBox messages;
    CZoneDatabase db{messages};
};

TEST(ZoneDatabaseDialect, DoubleQuotedValuesBecomeStringLiterals) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/zone_dialect.txt", 2)) {
        EXPECT_EQ(CZoneDatabase::TranslateStatement(c[0]), c[1]) << c;
    }
}

TEST_F(ZoneDatabaseTest, CreatesTheFileAtomicallyWithAnEmptyTable) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1); // no temp
    EXPECT_TRUE(db.HasZoneTable());
    ASSERT_TRUE(db.Query("SELECT * from presetTimeZones"));
    EXPECT_EQ(db.GetCount(), 0);
    EXPECT_FALSE(db.NextRecord());
}

TEST_F(ZoneDatabaseTest, InsertsWithAndWithoutIdsAndNeverReusesAnId) {
    Insert("One", 1, 0);
    Insert("Two", 2, 0);
    ASSERT_TRUE(db.Query("INSERT INTO presetTimeZones (timeZoneID,m_TimeZoneName,m_GMTBiasHour,"
                         "m_GMTBiasMinute,m_DSTUse) VALUES (\"40\",\"Forty\",\"4\",\"0\",\"0\")"));
    EXPECT_EQ(db.GetCount(), 1); // records affected
    ASSERT_TRUE(db.Query("DELETE FROM presetTimeZones WHERE timeZoneID=40"));
    Insert("After", 5, 0);
    ASSERT_TRUE(db.Query("SELECT timeZoneID FROM presetTimeZones WHERE m_TimeZoneName=\"After\""));
    EXPECT_EQ(db.GetField("timeZoneID").Text(), "41");
}

TEST_F(ZoneDatabaseTest, ThreeSpellingsOfSelectOpenARecordsetOthersAreExecuted) {
    Insert("Zone", 3, 0);
    for (const char* select : {"SELECT", "select", "Select"}) {
        EXPECT_TRUE(db.Query(std::string(select) + " * from presetTimeZones")) << select;
        EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), "Zone");
    }
    EXPECT_TRUE(messages.shown.empty());

    // Mixed case is none of the three: executed, and a query cannot be executed.
    EXPECT_FALSE(db.Query("sElEcT * from presetTimeZones"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(LastMessage(), "The data file could not be opened because of this error:\n"
                             "Cannot execute a select query.\n\n"
                             "CDaoException on Query SQL:sElEcT * from presetTimeZones");
    EXPECT_EQ(messages.shown.back().icon, MessageIcon::Exclamation);
    EXPECT_EQ(db.GetCount(), 0);
    EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), "");

    // The word inside a quoted value does not make an UPDATE a query: it is executed.
    messages.shown.clear();
    EXPECT_TRUE(db.Query("UPDATE presetTimeZones SET m_TimeZoneName=\"Select \"\"SELECT\"\"\","
                         "m_Country='select'"));
    EXPECT_EQ(db.GetCount(), 1);
    ASSERT_TRUE(db.Query("SELECT m_TimeZoneName FROM presetTimeZones"));
    EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), "Select \"SELECT\"");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ZoneDatabaseTest, EngineErrorsAreShownWithTheStatementAndTheEngineText) {
    EXPECT_FALSE(db.Query("INSERT INTO nowhere (a) VALUES (\"1\")"));
    EXPECT_EQ(LastMessage(), "The data file could not be opened because of this error:\n"
                             "no such table: nowhere\n\n"
                             "CDaoException on Query SQL:INSERT INTO nowhere (a) VALUES (\"1\")");
    // One statement at a time: the second is never run.
    EXPECT_FALSE(db.Query("DELETE FROM presetTimeZones; DROP TABLE presetTimeZones"));
    EXPECT_TRUE(db.Query("SELECT * FROM presetTimeZones"));
}

TEST_F(ZoneDatabaseTest, RecordsetStepsAndCountsAsASnapshot) {
    Insert("B", 1, 0);
    Insert("A", 1, 0);
    Insert("C", -2, 0);
    EXPECT_FALSE(db.NextRecord()); // no recordset

    ASSERT_TRUE(db.Query("SELECT m_TimeZoneName FROM presetTimeZones ORDER BY m_GMTBiasHour ASC, "
                         "m_TimeZoneName ASC"));
    EXPECT_EQ(db.GetCount(), 1); // standing on the first record
    std::vector<std::string> names;
    std::vector<long> counts;
    while (db.NextRecord()) {
        names.push_back(db.GetField("m_TimeZoneName").Text());
        counts.push_back(db.GetCount());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(counts, (std::vector<long>{1, 2, 3}));
    EXPECT_EQ(db.GetCount(), 3);
    EXPECT_FALSE(db.NextRecord());
    EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), ""); // past the end

    // A second connection writes; the open snapshot does not see it.
    ASSERT_TRUE(db.Query("SELECT * FROM presetTimeZones"));
    RecordingMessageBox otherMessages;
    CZoneDatabase other(otherMessages);
    ASSERT_TRUE(test::ConnectZones(other, dir.Path()));
    ASSERT_TRUE(other.Query("DELETE FROM presetTimeZones"));
    EXPECT_EQ(other.GetCount(), 3);
    int rows = 0;
    while (db.NextRecord()) {
        ++rows;
    }
    EXPECT_EQ(rows, 3);

    db.CloseRecordset();
    EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), "");
    ASSERT_TRUE(db.Query("UPDATE presetTimeZones SET m_Country=\"x\""));
    EXPECT_EQ(db.GetCount(), 0);
}

// Each type a file can give: null, integer, real, text and bytes (the engine's own codes).
TEST_F(ZoneDatabaseTest, FieldsReadAsTrimmedTextNullsAsEmpty) {
    ASSERT_TRUE(db.Query("INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,"
                         "m_GMTBiasMinute,m_DSTUse,m_STDAbbr) VALUES (\"  padded  \",\"-5\","
                         "2.5,\"0\",X'00ff')"));
    ASSERT_TRUE(db.Query("SELECT * FROM presetTimeZones"));
    EXPECT_EQ(db.GetField("m_TimeZoneName").Text(), "padded");
    EXPECT_EQ(db.GetField("m_GMTBiasHour").Text(), "-5");
    EXPECT_EQ(db.GetField("m_GMTBiasMinute").Text(), "2.500000");
    EXPECT_EQ(db.GetField("m_Country").Text(), "");
    EXPECT_EQ(db.GetField("m_STDAbbr").Text(), "8209 ERROR !!!");
    EXPECT_EQ(db.GetField("no_such_column").Text(), "");
}

TEST(ZoneDatabaseFields, ToIntReadsTheNumericPrefixAsPercentD) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/field_numbers.txt", 2)) {
        EXPECT_EQ(CFieldValue(c[0]).ToInt(), c.Int(1)) << c;
    }
    EXPECT_EQ(CFieldValue::FromInt(-42).Text(), "-42");
    EXPECT_EQ(CFieldValue::FromDouble(2.25).Text(), "2.250000");
}

TEST(ZoneDatabaseFields, SplitCutsAtEachDelimiterAndTrims) {
    for (const test::CaseRow& c : test::ReadCaseTable("settings/field_split.txt", 2)) {
        std::vector<CFieldValue> out{CFieldValue("stale")};
        CFieldValue(c[0]).Split(",", out);
        std::string pieces;
        for (const CFieldValue& f : out) {
            pieces += "[" + f.Text() + "]";
        }
        EXPECT_EQ(pieces, c[1]) << c;
    }
}

// A statement that runs too long is stopped, and a result too large to hold is refused rather
// than read into memory (with time enough to reach that limit in a slow sanitizer build).
TEST_F(ZoneDatabaseTest, ARunawayStatementCannotStallTheClock) {
    db.SetQueryTimeLimit(std::chrono::milliseconds(200));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(db.Query("SELECT count(*) AS n FROM (WITH RECURSIVE r(n) AS (SELECT 1 UNION "
                          "ALL SELECT n + 1 FROM r) SELECT n FROM r)"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "the statement was stopped after 200 ms",
                        LastMessage());
    db.SetQueryTimeLimit(std::chrono::seconds(60));
    EXPECT_FALSE(db.Query("WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "
                          "SELECT n FROM r"));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "more than 100000 rows", LastMessage());
}

TEST_F(ZoneDatabaseTest, AFileLockedByAnotherProgramIsReported) {
    const std::string path = db.FilePath();
    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::string before = test::ReadFileBytes(path);
    CZoneDatabase other(messages);
    EXPECT_FALSE(test::ConnectZones(other, dir.Path()));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "database is locked", LastMessage());
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    EXPECT_EQ(test::ReadFileBytes(path), before);
}

TEST_F(ZoneDatabaseTest, AReadOnlyFileIsReadAndReported) {
    if (!test::PermissionsBind()) {
        GTEST_SKIP() << "file permissions do not bind this process (root)";
    }
    const std::string path = db.FilePath();
    ::chmod(path.c_str(), 0444);
    const std::string before = test::ReadFileBytes(path);
    CZoneDatabase readOnly(messages);
    EXPECT_TRUE(test::ConnectZones(readOnly, dir.Path()));
    EXPECT_TRUE(readOnly.IsReadOnly());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, path + " is read-only", LastMessage());
    EXPECT_TRUE(readOnly.Query("SELECT * FROM presetTimeZones"));
    EXPECT_FALSE(readOnly.Query("DELETE FROM presetTimeZones"));
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "readonly", LastMessage());
    EXPECT_EQ(test::ReadFileBytes(path), before);
}

// A preset database of one release in dir; rows "(id,'name',G.M.T. hour),...".
std::string WritePresets(const std::string& dir, int release, const std::string& rows) {
    std::filesystem::create_directories(dir);
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    db.SetLocation(dir, "timezones");
    std::string error;
    EXPECT_TRUE(db.Connect(ZoneCreateStatement()) &&
                db.Execute("INSERT INTO presetTimeZones (timeZoneID,m_TimeZoneName,m_GMTBiasHour,"
                           "m_GMTBiasMinute,m_DSTUse) SELECT *,0,0 FROM (VALUES " +
                               rows + ");PRAGMA user_version=" + std::to_string(release),
                           error))
        << error;
    return db.FilePath();
}

// A user's copy of release 1, connected and holding that release's rows as its base.
void CopyRelease(const std::string& shipped, const std::string& dir, CZoneDatabase& db) {
    std::string error;
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(InstallPresetDatabase(shipped, dir + "/timezones.mdb", error)) << error;
    ASSERT_TRUE(test::ConnectZones(db, dir));
    PresetMerge merge;
    ASSERT_TRUE(MergeShippedPresets(db, shipped, {}, true, merge, error)) << error;
    EXPECT_TRUE(merge.adopted && merge.items.empty());
}

TEST(PresetMerge, OnlyRowsTheUserNeverChangedTakeTheNewRelease) {
    TempDir dir;
    const std::string first =
        WritePresets(dir / "r1", 1, "(1,'One',1),(2,'Two',2),(3,'Three',3),(4,'Four',4)");
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    CopyRelease(first, dir / "user", db);
    // Two edited by hand in SQL, as with sqlite3, and a zone of the user's own (id 5).
    std::string error;
    ASSERT_TRUE(db.Execute("UPDATE presetTimeZones SET m_TimeZoneName='Mine' WHERE timeZoneID=2;"
                           "INSERT INTO presetTimeZones (m_TimeZoneName,m_GMTBiasHour,"
                           "m_GMTBiasMinute,m_DSTUse) VALUES ('Own',5,0,0)",
                           error));
    // Release 2 changes One, Two and 5, drops Three and Four (the clock's zone), adds Six.
    const std::string second =
        WritePresets(dir / "r2", 2, "(1,'One',11),(2,'Two',12),(5,'Five',15),(6,'Six',6)");
    const std::string before = test::ReadFileBytes(db.FilePath());
    ASSERT_TRUE(InstallPresetDatabase(second, db.FilePath(), error)); // a copy is never replaced
    using C = PresetChange;
    const std::vector<std::pair<C, std::int64_t>> expected = {{C::Changed, 1}, {C::KeptEdited, 2},
                                                              {C::Removed, 3}, {C::KeptInUse, 4},
                                                              {C::KeptOwn, 5}, {C::Added, 6}};
    for (const bool apply : {false, true}) {
        PresetMerge merge;
        ASSERT_TRUE(MergeShippedPresets(db, second, {4}, apply, merge, error)) << error;
        std::vector<std::pair<C, std::int64_t>> changes;
        for (const PresetChangeItem& item : merge.items) {
            changes.emplace_back(item.change, item.id);
        }
        EXPECT_EQ(changes, expected) << apply;
        EXPECT_EQ(PresetMergeSummary(merge), "Zone rules updated: 3 zones changed");
        EXPECT_EQ(test::ReadFileBytes(db.FilePath()) == before, !apply);
    }
    std::vector<std::vector<std::string>> rows;
    ASSERT_TRUE(db.Select("SELECT group_concat(timeZoneID||' '||m_TimeZoneName||' '||"
                          "m_GMTBiasHour, ', ') FROM presetTimeZones",
                          rows, error));
    EXPECT_EQ(rows[0][0], "1 One 11, 2 Mine 2, 4 Four 4, 5 Own 5, 6 Six 6");
    // Merged once: the copy is of release 2 now, and nothing more is said.
    PresetMerge again;
    ASSERT_TRUE(MergeShippedPresets(db, second, {4}, true, again, error));
    EXPECT_TRUE(again.userRelease == 2 && again.items.empty() && PresetMergeSummary(again).empty());
    EXPECT_TRUE(messages.shown.empty());
}

TEST(PresetMerge, AMergeStoppedByAFullDiskLeavesTheCopyByteForByte) {
    const char* full = std::getenv("TARNWICK_FULL_DIR");
    if (full == nullptr) {
        GTEST_SKIP() << "TARNWICK_FULL_DIR is not set: run through tests/with_small_disks.sh";
    }
    TempDir dir;
    RecordingMessageBox messages;
    CZoneDatabase db(messages);
    CopyRelease(WritePresets(dir / "r1", 1, "(1,'One',1)"), std::string(full) + "/merge", db);
    const std::string second = WritePresets(dir / "r2", 2, "(1,'One',11),(2,'Two',2)");
    ASSERT_TRUE(test::FillDisk(std::string(full) + "/filler"));
    const std::string before = test::ReadFileBytes(db.FilePath());
    PresetMerge merge;
    std::string error;
    EXPECT_FALSE(MergeShippedPresets(db, second, {}, true, merge, error));
    EXPECT_NE(error.find("the disk is full"), std::string::npos) << error;
    EXPECT_EQ(test::ReadFileBytes(db.FilePath()), before);
    EXPECT_FALSE(std::filesystem::exists(db.FilePath() + "-journal"));
    std::filesystem::remove(std::string(full) + "/filler");
}

} // namespace
} // namespace tarnwick
