// The update check's reading, comparing and once-a-day rule, with the day and the download
// injected.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "settings/profile_file.h"
#include "support/case_tables.h"
#include "support/temp_dir.h"
#include "update/update_checker.h"
#include "update/web_url.h"
#include "zones/date_time.h"

using namespace tarnwick;
using tarnwick::test::CaseRow;
using tarnwick::test::ReadCaseTable;
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
    // Every key the check reads is left in the files, in the line ends each already had.
    EXPECT_EQ(ReadFileBytes(LogPath()), "[Tarnwick]\nLASTDAYCHECK=5\nNOTOVERSION=0.000000\n");
    EXPECT_EQ(ReadFileBytes(m_path),
              "[Tarnwick]\r\nCURRENTVERSION=1.2\r\nUPDATEINFO=Version 1.2\r\n"
              "FORCETOUPDATE1.100000=0\r\nFORCETOUPDATE=0\r\n"
              "UPDATEINFO1.100000=\r\nDOWNLOADHEREURL=" +
                  kSite + "\r\n");
}

TEST_F(UpdateChecker, DownloadsOnlyWhenTheDayOfTheMonthDiffers) {
    for (const CaseRow& c : ReadCaseTable("settings/update_days.txt", 5)) {
        const std::vector<int> n = c.Numbers(1);
        ASSERT_EQ(n.size(), 5u) << c;
        m_clock.Set(Utc(n[0], n[1], n[2], n[3], n[4]));
        m_zone = FixedLocalZone(c.Int(2), "Zone");
        WriteFileBytes(LogPath(), "[Tarnwick]\nLASTDAYCHECK=" + c[3] + "\n");
        m_downloader.requested.clear();
        m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\n");
        UpdateCheckInfo info = Info();
        Run(info);
        EXPECT_EQ(m_downloader.requested.size(), c.Flag(4) ? 1u : 0u) << c;
        EXPECT_EQ(Value(LogPath(), "LASTDAYCHECK"),
                  std::to_string(LocalDayOfMonth(m_clock, m_zone)))
            << c;
    }
}

TEST_F(UpdateChecker, ComparesWithTheRunningAndTheDeclinedVersion) {
    for (const CaseRow& c : ReadCaseTable("settings/update_versions.txt", 8)) {
        WriteFileBytes(LogPath(), "[Tarnwick]\nNOTOVERSION=" + c[2] + "\n");
        std::filesystem::remove(m_path); // each case starts without an earlier file
        m_downloader.Serve(kInfoUrl, c[1]);
        UpdateCheckInfo info = Info();
        EXPECT_EQ(Run(info), c.Flag(3)) << c;
        EXPECT_EQ(m_versionDiffers, c.Flag(4)) << c;
        EXPECT_EQ(info.forceUpdate, c.Flag(5)) << c;
        EXPECT_EQ(info.latestVersion, std::stod(c[6])) << c;
        EXPECT_EQ(info.message, c[7]) << c;
    }
}

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

TEST(NoticeText, DropsControlCharactersAndCutsWholeCharacters) {
    for (const CaseRow& c : ReadCaseTable("settings/update_notices.txt", 3)) {
        EXPECT_EQ(CleanNoticeText(c[1], 10), c[2]) << c;
    }
    EXPECT_EQ(CleanNoticeText(std::string(500, 'n')).size(), 200u); // the default length
}

} // namespace
