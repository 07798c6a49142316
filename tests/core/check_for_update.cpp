// One run of the update check as the main window runs it: the notice, the two prompts, the
// declined version and the download step, with scripted answers.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/http_download.h"
#include "platform/local_zone.h"
#include "platform/message_box.h"
#include "platform/url_opener.h"
#include "settings/profile_file.h"
#include "support/temp_dir.h"
#include "update/check_for_update.h"
#include "zones/date_time.h"

using namespace tarnwick;
using tarnwick::test::TempDir;
using tarnwick::test::WriteFileBytes;

namespace {

const std::string kSite = "http://127.0.0.1:1/";
const std::string kInfoUrl = "http://127.0.0.1:1/TarnwickUpdateInfo.ini";
const std::string kDefaultNotice = "There is a new update available for Tarnwick";

class CheckForUpdateRun : public ::testing::Test {
protected:
    CheckForUpdateRun() {
        m_environment.siteUrl = kSite;
        m_environment.dataDirectory = m_dir.Path();
        m_environment.version = 1.1;
        m_environment.clock = &m_clock;
        m_environment.localZone = &m_zone;
        m_environment.downloader = &m_downloader;
        m_environment.messages = &m_messages;
        m_environment.urlOpener = &m_opener;
        m_environment.log = [this](const std::string& line) { m_log.push_back(line); };
        m_notice.showUpdateMessage = &m_show;
        m_notice.setUpdateMessage = [this](const std::string& text) { m_message = text; };
        m_notice.closeMainWindow = [this] { ++m_closes; };
    }

    void Run(std::vector<MessageAnswer> answers = {}) {
        m_messages = RecordingMessageBox();
        for (MessageAnswer answer : answers) {
            m_messages.ScriptAnswer(answer);
        }
        CheckForUpdate(m_environment, m_notice);
    }
    std::string InfoPath() const { return m_dir.Path() + "//UpdateInfo.txt"; }
    std::string LogPath() const { return InfoPath() + ".log"; }
    std::string Declined() const {
        return GetProfileString(LogPath(), "Tarnwick", "NOTOVERSION", "<absent>");
    }

    TempDir m_dir;
    FixedClock m_clock{DateTime(2026, 3, 5, 9, 0, 0).ToUnixSeconds()};
    FixedLocalZone m_zone{0, "UTC"};
    FakeHttpDownloader m_downloader;
    RecordingMessageBox m_messages;
    RecordingUrlOpener m_opener;
    std::vector<std::string> m_log;
    UpdateEnvironment m_environment;
    UpdateNotice m_notice;
    std::atomic<bool> m_show{true}; // as left by an earlier run
    std::string m_message;
    int m_closes = 0;
};

TEST_F(CheckForUpdateRun, NoStoresTheDeclinedVersionAndTheNoticeStays) {
    m_downloader.Serve(kInfoUrl,
                       "[Tarnwick]\nCURRENTVERSION=1.2\nUPDATEINFO=Version 1.2 is out.\n");
    Run({MessageAnswer::No});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text,
              "Version 1.2 is out.  Would you like to visit our website for updates?");
    EXPECT_EQ(m_messages.shown[0].caption, "Tarnwick");
    EXPECT_EQ(m_messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(m_messages.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(Declined(), "1.200000");
    EXPECT_TRUE(m_show);
    EXPECT_EQ(m_message, "Version 1.2 is out.");

    // The next run that day offers nothing but keeps the notice in the display.
    m_clock.Advance(3600);
    Run();
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_TRUE(m_show);
    EXPECT_EQ(m_message, "Version 1.2 is out.");
    EXPECT_EQ(m_downloader.requested.size(), 1u);
    EXPECT_EQ(m_closes, 0);
}

TEST_F(CheckForUpdateRun, YesTakesTheDownloadStep) {
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\n"
                                 "DOWNLOADHEREURL=https://downloads.example.org/tarnwick?v=1.2\n");
    Run({MessageAnswer::Yes});
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[0].text,
              kDefaultNotice + "  Would you like to visit our website for updates?");
    EXPECT_EQ(m_messages.shown[1].text,
              "For installing an update the computer will close Tarnwick.  The computer will now "
              "take you to the Tarnwick website where you can download the upgrade.");
    EXPECT_EQ(m_messages.shown[1].buttons, MessageButtons::Ok);
    EXPECT_EQ(m_opener.opened,
              std::vector<std::string>{"https://downloads.example.org/tarnwick?v=1.2"});
    EXPECT_EQ(m_closes, 1);
    // Both files are gone, and their lock files, so the next start downloads again whatever
    // the day.
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(CheckForUpdateRun, TheImportantUpdatePromptComesOnEveryRunUntilYes) {
    WriteFileBytes(LogPath(), "[Tarnwick]\nNOTOVERSION=1.2\n");
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.2\nFORCETOUPDATE=1\n");
    for (int run = 0; run < 2; ++run) {
        Run({MessageAnswer::No});
        ASSERT_EQ(m_messages.shown.size(), 1u) << run;
        EXPECT_EQ(m_messages.shown[0].text,
                  kDefaultNotice + "  Would you like to make this important update now?");
        EXPECT_EQ(m_messages.shown[0].icon, MessageIcon::Stop);
        EXPECT_TRUE(m_show);
        EXPECT_EQ(Declined(), "1.2"); // No stores nothing
    }
    Run({MessageAnswer::Yes});
    EXPECT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_opener.opened, std::vector<std::string>{kSite});
    EXPECT_EQ(m_closes, 1);
}

TEST_F(CheckForUpdateRun, TheRunningVersionOnOfferShowsNothing) {
    m_downloader.Serve(kInfoUrl, "[Tarnwick]\nCURRENTVERSION=1.1\nFORCETOUPDATE=0\n");
    Run();
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_FALSE(m_show);
}

TEST_F(CheckForUpdateRun, AFailedDayAsksOnceThenOnlyTheDisplayTells) {
    m_downloader.Fail(kInfoUrl, "Could not connect to server");
    Run({MessageAnswer::No});
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].text, std::string(kCouldNotCheckText) +
                                            "  Would you like to visit our website for updates?");
    EXPECT_EQ(Declined(), "-1.000000");

    m_clock.Advance(24 * 3600); // another failed day
    Run();
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_TRUE(m_show);
    EXPECT_EQ(m_message, kCouldNotCheckText);
    EXPECT_EQ(m_downloader.requested.size(), 2u);
}

TEST_F(CheckForUpdateRun, WithoutASiteNothingIsFetchedOrWritten) {
    m_environment.siteUrl.clear();
    Run();
    EXPECT_TRUE(m_downloader.requested.empty());
    EXPECT_TRUE(m_messages.shown.empty());
    EXPECT_FALSE(m_show);
    EXPECT_EQ(test::ReadFileBytes(LogPath()), "");
}

// A stop while the prompt is open stores no answer: ui/update_runner.cpp tests it through the
// runner that sends the stop.

} // namespace
