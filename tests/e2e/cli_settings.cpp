// tarnwick-cli settings, run as a separate process on a temporary data directory with HOME
// and the XDG directories pointed into the same temporary tree.
#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#include "settings/profile_file.h"
#include "support/cli_runner.h"
#include "support/temp_dir.h"
#include "support/test_data.h"

namespace tarnwick {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

using test::CliResult;

class CliSettings : public ::testing::Test {
protected:
    // Runs tarnwick-cli with HOME and the XDG directories in the temporary tree.
    CliResult Run(const std::vector<std::string>& args) {
        return test::RunCli(args, {{"HOME", Home()},
                                   {"XDG_CONFIG_HOME", Home() + "/config"},
                                   {"XDG_DATA_HOME", Home() + "/data"}});
    }

    std::string Home() const { return m_dir / "home"; }
    std::string Data() const { return m_dir / "data"; }
    std::string SettingsPath() const { return Data() + "/ClockInfo.dat"; }

    TempDir m_dir;
};

// What "settings list" prints on a new file: every key, in the order the clock loads them.
std::string DefaultListing() {
    return ReadFileBytes(test::TestDataPath("cli/settings_list.txt"));
}

TEST_F(CliSettings, ListPrintsTheDefaultsAndWritesThemWithoutAnAutostartEntry) {
    const CliResult r = Run({"--dir", Data(), "settings", "list"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, DefaultListing());
    EXPECT_EQ(FindProfileValue(ReadFileBytes(SettingsPath()), "OPTIONS", "RUNOPTION"), "1056");
    // The command line never touches start at login.
    EXPECT_FALSE(std::filesystem::exists(Home()));
}

// Many "settings set" processes at once, with loads in between: every one that reports
// success is in the file.
TEST_F(CliSettings, ParallelSetsAllLand) {
    constexpr int kWorkers = 16;
    constexpr int kSetsEach = 13; // 208 processes
    std::vector<std::thread> workers;
    std::atomic<int> failures{0};
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kSetsEach; ++i) {
                const std::string key = "K" + std::to_string(w) + "_" + std::to_string(i);
                const CliResult r = Run({"--dir", Data(), "settings", "set", "PARALLEL", key, "v"});
                failures += r.exit != 0;
                if (i % 4 == 0) {
                    failures += Run({"--dir", Data(), "settings", "list"}).exit != 0;
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(failures.load(), 0);
    const std::string file = ReadFileBytes(SettingsPath());
    for (int w = 0; w < kWorkers; ++w) {
        for (int i = 0; i < kSetsEach; ++i) {
            const std::string key = "K" + std::to_string(w) + "_" + std::to_string(i);
            EXPECT_EQ(FindProfileValue(file, "PARALLEL", key), "v") << key;
        }
    }
    EXPECT_EQ(FindProfileValue(file, "OTHERCOUNTRY", "TIMEZONEID"), "-1");
}

TEST_F(CliSettings, SetThenGetRoundTrips) {
    CliResult r =
        Run({"--dir", Data(), "settings", "set", "OPTIONS", "CHECKTIMEHOURINTERVAL", "12 hours"});
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "");
    r = Run({"--dir", Data(), "settings", "get", "options", "checktimehourinterval"});
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out, "12 hours\n");
    // get writes nothing back: the file holds just the one key.
    EXPECT_EQ(ReadFileBytes(SettingsPath()), "[OPTIONS]\nCHECKTIMEHOURINTERVAL=12 hours\n");
    r = Run({"--dir", Data(), "settings", "list"});
    EXPECT_NE(r.out.find("\nOPTIONS/CHECKTIMEHOURINTERVAL=12\n"), std::string::npos) << r.out;

    const std::string other = m_dir / "other.dat";
    r = Run({"settings", "set", "--file", other, "YOURCOUNTRY", "COUNTRYNAME", "Perth"});
    ASSERT_EQ(r.exit, 0) << r.err;
    r = Run({"settings", "get", "--file", other, "YOURCOUNTRY", "COUNTRYNAME"});
    EXPECT_EQ(r.out, "Perth\n");
}

TEST_F(CliSettings, AbsentKeyOrFileExitsOneWithoutOutput) {
    CliResult r = Run({"--dir", Data(), "settings", "get", "OPTIONS", "RUNOPTION"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    ASSERT_EQ(Run({"--dir", Data(), "settings", "list"}).exit, 0);
    r = Run({"--dir", Data(), "settings", "get", "OPTIONS", "NOSUCHKEY"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
}

TEST_F(CliSettings, WriteFailuresSayWhereAndWhy) {
    // Why a write fails is the settings file's tests' (profile_file.cpp); here that it is told.
    CliResult r = Run({"--dir", Data(), "settings", "set", "OPTIONS", "BAD=KEY", "1"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("BAD=KEY"), std::string::npos) << r.err;

    // A data directory that cannot be made (its parent is a file): list still prints every
    // value and reports the failure, but succeeds.
    WriteFileBytes(m_dir / "plain", "");
    r = Run({"--dir", m_dir / "plain/data", "settings", "list"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, DefaultListing());
    EXPECT_NE(r.err.find(m_dir / "plain/data/ClockInfo.dat"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Not a directory"), std::string::npos) << r.err;

    // A settings "file" that cannot be read: defaults printed, exit 1.
    std::filesystem::create_directories(SettingsPath());
    r = Run({"--dir", Data(), "settings", "list"});
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, DefaultListing());
    EXPECT_NE(r.err.find("Is a directory"), std::string::npos) << r.err;
}

TEST_F(CliSettings, WrongUsageExitsTwo) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"settings"},
                                               {"settings", "remove"},
                                               {"settings", "get", "OPTIONS"},
                                               {"settings", "set", "OPTIONS", "K"},
                                               {"settings", "get", "--file"},
                                               {"settings", "list", "extra"}}) {
        std::vector<std::string> withDir{"--dir", Data()};
        withDir.insert(withDir.end(), args.begin(), args.end());
        const CliResult r = Run(withDir);
        EXPECT_EQ(r.exit, 2) << args.back();
        EXPECT_NE(r.err.find("tarnwick-cli settings"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace tarnwick
