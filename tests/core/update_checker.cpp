// The update check's reading, comparing and once-a-day rule, with the day and the download
// injected.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "update/update_checker.h"
#include "update/web_url.h"
#include "zones/date_time.h"

using namespace tarnwick;
using tarnwick::test::ReadFileBytes;
using tarnwick::test::TempDir;
using tarnwick::test::WriteFileBytes;

namespace {

// Never contacted: the fake downloader answers for it.
const std::string kSite = "http://127.0.0.1:1";
const std::string kInfoUrl = kSite + "/TarnwickUpdateInfo.ini";

std::int64_t Utc(int year, int month, int day, int hour = 12, int minute = 0) {
    return DateTime(year, month, day, hour, minute, 0).ToUnixSeconds();
}

class UpdateChecker : public ::testing::Test {
protected:
    UpdateCheckInfo Info() const {
        UpdateCheckInfo info;
        info.siteUrl = kSite;
        info.infoUrl = kInfoUrl;
        info.productName = "Tarnwick";
        info.version = 1.1;
        return info;
    }
    bool Run(UpdateCheckInfo& info, const UpdateCheckOptions& options = {}) {
        CUpdateChecker checker(m_clock, m_zone, m_downloader,
                               [this](const std::string& line) { m_log.push_back(line); });
        const bool offer = checker.Check(info, m_path, options);
        m_versionDiffers = checker.VersionDiffers();
        m_downloadFailed = checker.DownloadFailed();
        m_downloadError = checker.DownloadError();
        return offer;
    }
    std::string Value(const std::string& path, const std::string& key) const {
        return GetProfileString(path, "Tarnwick", key, "<absent>");
    }
    std::string LogPath() const { return m_path + ".log"; }

    TempDir m_dir;
    std::string m_path = UpdateInfoFilePath(m_dir.Path());
    FixedClock m_clock{Utc(2026, 3, 5)};
    FixedLocalZone m_zone{0, "UTC"};
    FakeHttpDownloader m_downloader;
    std::vector<std::string> m_log;
    bool m_versionDiffers = false;
    bool m_downloadFailed = false;
    std::string m_downloadError;
};

TEST_F(UpdateChecker, FirstRunDownloadsOffersAndLeavesEveryKeyInBothFiles) {
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\r\nCURRENTVERSION=1.2\r\nUPDATEINFO=Version 1.2\r\n");
    UpdateCheckInfo info = Info();
    EXPECT_TRUE(Run(info));

    EXPECT_EQ(m_path, m_dir.Path() + "//UpdateInfo.txt");
    EXPECT_EQ(m_downloader.requested, std::vector<std::string>{kInfoUrl});
    EXPECT_EQ(info.latestVersion, 1.2);
    EXPECT_EQ(info.message, "Version 1.2");
    EXPECT_EQ(info.downloadUrl, kSite); // DOWNLOADHEREURL absent: the site's root
    EXPECT_FALSE(info.forceUpdate);
    EXPECT_TRUE(m_versionDiffers);
    EXPECT_EQ(Value(LogPath(), "LASTDAYCHECK"), "5");
    EXPECT_EQ(Value(LogPath(), "NOTOVERSION"), "0.000000");
    EXPECT_EQ(Value(m_path, "FORCETOUPDATE1.100000"), "0");
    EXPECT_EQ(Value(m_path, "FORCETOUPDATE"), "0");
    EXPECT_EQ(Value(m_path, "UPDATEINFO1.100000"), "");
    EXPECT_EQ(Value(m_path, "DOWNLOADHEREURL"), kSite);
}

struct DayCase {
    const char* name;
    std::int64_t now;  // UTC
    int offsetMinutes; // of the computer's zone
    const char* lastDay;
    bool downloads;
};

void PrintTo(const DayCase& c, std::ostream* out) {
    *out << c.name;
}

class UpdateCheckerDay : public UpdateChecker, public ::testing::WithParamInterface<DayCase> {};

TEST_P(UpdateCheckerDay, DownloadsOnlyWhenTheDayOfTheMonthDiffers) {
    const DayCase& c = GetParam();
    m_clock.Set(c.now);
    m_zone = FixedLocalZone(c.offsetMinutes, "Zone");
    WriteFileBytes(LogPath(), std::string("[Tarnwick]\nLASTDAYCHECK=") + c.lastDay + "\n");
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\n");
    UpdateCheckInfo info = Info();
    Run(info);
    EXPECT_EQ(m_downloader.requested.size(), c.downloads ? 1u : 0u);
    EXPECT_EQ(Value(LogPath(), "LASTDAYCHECK"), std::to_string(LocalDayOfMonth(m_clock, m_zone)));
}

INSTANTIATE_TEST_SUITE_P(
    Days, UpdateCheckerDay,
    ::testing::Values(DayCase{"FifthOfTheNextMonth", Utc(2026, 4, 5), 0, "5", false},
                      DayCase{"NextDay", Utc(2026, 3, 6), 0, "5", true},
                      DayCase{"NoDayYet", Utc(2026, 3, 5), 0, "0", true},
                      DayCase{"NotANumber", Utc(2026, 3, 5), 0, "soon", true},
                      // 2026-03-05 23:30 UTC is already the 6th at UTC+1
                      DayCase{"LocalDateAheadOfUtc", Utc(2026, 3, 5, 23, 30), 60, "5", true},
                      // 2026-03-06 00:30 UTC is still the 5th at UTC-5
                      DayCase{"LocalDateBehindUtc", Utc(2026, 3, 6, 0, 30), -300, "5", false}),
    [](const ::testing::TestParamInfo<DayCase>& info) { return std::string(info.param.name); });

struct VersionCase {
    const char* name;
    const char* infoFile;
    const char* declined; // NOTOVERSION in the log
    bool offer;
    bool differs;
    bool force;
    double latest;
    const char* message;
};

void PrintTo(const VersionCase& c, std::ostream* out) {
    *out << c.name;
}

class UpdateCheckerVersions : public UpdateChecker,
                              public ::testing::WithParamInterface<VersionCase> {};

TEST_P(UpdateCheckerVersions, ComparesWithTheRunningAndTheDeclinedVersion) {
    const VersionCase& c = GetParam();
    WriteFileBytes(LogPath(), std::string("[Tarnwick]\nNOTOVERSION=") + c.declined + "\n");
    m_downloader.Serve(kInfoUrl, c.infoFile);
    UpdateCheckInfo info = Info();
    EXPECT_EQ(Run(info), c.offer);
    EXPECT_EQ(m_versionDiffers, c.differs);
    EXPECT_EQ(info.forceUpdate, c.force);
    EXPECT_EQ(info.latestVersion, c.latest);
    EXPECT_EQ(info.message, c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UpdateCheckerVersions,
    ::testing::Values(
        VersionCase{"EqualVersion", "[Tarnwick]\nCURRENTVERSION=1.1\nUPDATEINFO=Same\n", "0", false,
                    false, false, 1.1, "Same"},
        VersionCase{"Declined", "[Tarnwick]\nCURRENTVERSION=1.2\n", "1.2", false, true, false, 1.2,
                    "There is a new update available for Tarnwick"},
        VersionCase{"DeclinedButForced", "[Tarnwick]\nCURRENTVERSION=1.2\nFORCETOUPDATE=1\n", "1.2",
                    false, true, true, 1.2, "There is a new update available for Tarnwick"},
        VersionCase{"ForcedForThisVersionOnly",
                    "[Tarnwick]\nCURRENTVERSION=1.2\nFORCETOUPDATE1.100000=1\nFORCETOUPDATE=0\n",
                    "0", true, true, true, 1.2, "There is a new update available for Tarnwick"},
        VersionCase{"ForcedForAnotherVersion",
                    "[Tarnwick]\nCURRENTVERSION=1.2\nFORCETOUPDATE1.000000=1\n", "0", true, true,
                    false, 1.2, "There is a new update available for Tarnwick"},
        VersionCase{"NoticeForThisVersion",
                    "[Tarnwick]\nCURRENTVERSION=1.2\nUPDATEINFO1.100000=For 1.1\nUPDATEINFO=All\n",
                    "0", true, true, false, 1.2, "For 1.1"},
        // An error page is no update-info file: a failed download.
        VersionCase{"ErrorPage", "<html><body>Moved</body></html>\n", "0", true, true, false, -1.0,
                    kCouldNotCheckText},
        VersionCase{"NoSection", "[Other]\nCURRENTVERSION=1.2\n", "0", true, true, false, -1.0,
                    kCouldNotCheckText},
        VersionCase{"SectionWithoutKeys", "[tarnwick]\n", "0", false, true, false, 0.0,
                    "There is a new update available for Tarnwick"},
        // A version that is not a number would differ from itself and come back on every run.
        VersionCase{"NotANumberVersion", "[Tarnwick]\nCURRENTVERSION=nan\n", "nan", false, true,
                    false, 0.0, "There is a new update available for Tarnwick"},
        VersionCase{"ControlCharactersInTheNotice",
                    "[Tarnwick]\nCURRENTVERSION=1.2\nUPDATEINFO=New\x1b[2J\x07 one\t!\n", "0", true,
                    true, false, 1.2, "New[2J one!"}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

TEST_F(UpdateChecker, AVersionedNoticeLeavesTheGeneralKeyUnread) {
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\nUPDATEINFO1.100000=For 1.1\n");
    UpdateCheckInfo info = Info();
    Run(info);
    EXPECT_EQ(Value(m_path, "UPDATEINFO"), "<absent>");
}

TEST_F(UpdateChecker, AFailedDownloadKeepsTheEarlierFileAndRecordsTheFailure) {
    const std::string earlier = "[Tarnwick]\nCURRENTVERSION=1.2\nDOWNLOADHEREURL=https://"
                                "downloads.example.org/tarnwick\nUPDATEINFO=Old notice\n";
    WriteFileBytes(m_path, earlier);
    m_downloader.Fail(kInfoUrl, "Could not connect to server");
    UpdateCheckInfo info = Info();

    EXPECT_TRUE(Run(info)); // -1 differs from the running and from the declined version
    EXPECT_TRUE(m_downloadFailed);
    EXPECT_TRUE(m_versionDiffers);
    EXPECT_EQ(m_downloadError, "cannot download " + kInfoUrl + ": Could not connect to server");
    EXPECT_EQ(info.latestVersion, -1.0);
    EXPECT_EQ(info.message, kCouldNotCheckText);
    EXPECT_EQ(info.downloadUrl, "https://downloads.example.org/tarnwick");
    EXPECT_EQ(Value(m_path, "CURRENTVERSION"), "-1.000000");
    EXPECT_EQ(Value(m_path, "UPDATEINFO"), kCouldNotCheckText);
    EXPECT_EQ(Value(LogPath(), "LASTDAYCHECK"), "5"); // not tried again today
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find(m_downloadError), std::string::npos);
}

TEST_F(UpdateChecker, ALogThatCannotBeWrittenCountsAsAFailedDownloadWithoutAsking) {
    m_path = m_dir / "missing" + kUpdateInfoFileName;
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\n");
    UpdateCheckInfo info = Info();
    Run(info);
    EXPECT_TRUE(m_downloader.requested.empty());
    EXPECT_TRUE(m_downloadFailed);
    // The settings layer refuses before writing (it cannot take the file's lock); the
    // message names the log and says why.
    EXPECT_NE(m_downloadError.find(m_dir.Path() + "/missing//UpdateInfo.txt.log"),
              std::string::npos)
        << m_downloadError;
    EXPECT_NE(m_downloadError.find("No such file or directory"), std::string::npos)
        << m_downloadError;
    EXPECT_EQ(info.message, kCouldNotCheckText);
}

TEST_F(UpdateChecker, IgnoringTheDayRuleDownloadsAndLeavesTheLogAlone) {
    const std::string log = "[Tarnwick]\nLASTDAYCHECK=5\nNOTOVERSION=1.2\n";
    WriteFileBytes(LogPath(), log);
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\n");
    UpdateCheckOptions options;
    options.ignoreDayRule = true;
    UpdateCheckInfo info = Info();
    EXPECT_FALSE(Run(info, options)); // declined
    EXPECT_EQ(info.declinedVersion, 1.2);
    EXPECT_EQ(m_downloader.requested.size(), 1u);
    EXPECT_EQ(ReadFileBytes(LogPath()), log);
}

// Which addresses are web addresses is the URL parser's table (web_url.cpp).
TEST_F(UpdateChecker, OffersTheSiteInsteadOfADownloadAddressThatIsNotWeb) {
    m_downloader.Serve(kInfoUrl,
                       "[Tarnwick]\nCURRENTVERSION=1.2\nDOWNLOADHEREURL=/bin/sh -c reboot\n");
    UpdateCheckInfo info = Info();
    Run(info);
    EXPECT_EQ(info.downloadUrl, kSite);
    ASSERT_EQ(m_log.size(), 1u);
    EXPECT_NE(m_log[0].find("is not an http or https URL"), std::string::npos) << m_log[0];
    EXPECT_NE(m_log[0].find(m_path), std::string::npos) << m_log[0];
}

struct NoticeCase {
    const char* name;
    std::string text;
    std::string clean;
};

void PrintTo(const NoticeCase& c, std::ostream* out) {
    *out << c.name;
}

class NoticeText : public ::testing::TestWithParam<NoticeCase> {};

TEST_P(NoticeText, DropsControlCharactersAndCutsWholeCharacters) {
    EXPECT_EQ(CleanNoticeText(GetParam().text, 10), GetParam().clean);
    EXPECT_EQ(CleanNoticeText(std::string(500, 'n')).size(), 200u); // the default length
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NoticeText,
    ::testing::Values(NoticeCase{"Plain", "Version 1.2", "Version 1."},
                      NoticeCase{"Controls",
                                 std::string("a\0b\x01\x1f\x7f"
                                             "c",
                                             7),
                                 "abc"},
                      NoticeCase{"C1Controls",
                                 "a\xc2\x85\xc2\x9f"
                                 "b\xc2\xa0",
                                 "ab\xc2\xa0"},
                      // not UTF-8, so Latin-1: the control between the bytes joins nothing
                      NoticeCase{"Latin1", "\xc2\x01\x85", "\xc3\x82"},
                      // ten characters, the last of them two bytes long; the eleventh is cut
                      NoticeCase{"MultiByteAtTheEnd", "123456789\xc3\xa9\xc3\xa9",
                                 "123456789\xc3\xa9"},
                      NoticeCase{"Markup", "<b>bold</b>", "<b>bold</b"}),
    [](const ::testing::TestParamInfo<NoticeCase>& info) { return std::string(info.param.name); });

} // namespace
