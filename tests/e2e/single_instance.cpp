// Two real clocks, offscreen: the second start asks the first to open its window and ends
// with status 0; a lock left by a clock that was killed is taken over.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

using namespace std::chrono_literals;
using test::ReadFileBytes;
using test::TempDir;

class Clock {
public:
    Clock() = default;
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;
    ~Clock() { Kill(SIGKILL); }

    // Starts tarnwick with its own HOME, runtime directory and instance name; stderr to a file.
    void Start(const TempDir& dir, const std::string& instance, const std::string& errorFile) {
        std::map<std::string, std::string> overrides = {
            {"HOME", dir / "home"},
            {"XDG_CONFIG_HOME", dir / "home/.config"},
            {"XDG_DATA_HOME", dir / "home/.local/share"},
            {"XDG_RUNTIME_DIR", dir / "runtime"},
            {"TARNWICK_INSTANCE", instance},
            {"TARNWICK_DEBUG_INSTANCE", "1"},
            {"QT_QPA_PLATFORM", "offscreen"},
        };
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (overrides.count(text.substr(0, text.find('='))) == 0) {
                environment.push_back(text);
            }
        }
        for (const auto& [name, value] : overrides) {
            environment.push_back(name + "=" + value);
        }
        const std::string binary = test::BuiltProgram("tarnwick");
        const std::string dataDir = dir / "data";
        char* argv[] = {const_cast<char*>(binary.c_str()), const_cast<char*>("--dir"),
                        const_cast<char*>(dataDir.c_str()), nullptr};
        std::vector<char*> envp;
        for (std::string& e : environment) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int error = posix_spawn(&m_pid, binary.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        ASSERT_EQ(error, 0) << std::strerror(error);
    }

    // The exit status, or -1 when it has not ended within the timeout (it is then killed).
    int WaitForExit(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (m_pid > 0) {
            int status = 0;
            const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
            if (done == m_pid) {
                m_pid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > deadline) {
                Kill(SIGKILL);
                return -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

    bool IsRunning() {
        int status = 0;
        return m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == 0;
    }

    void Kill(int signal) {
        if (m_pid > 0) {
            ::kill(m_pid, signal);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
};

bool WaitForText(const std::string& file, const std::string& text,
                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (ReadFileBytes(file).find(text) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

class SingleInstance : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_dir / "home");
        std::filesystem::create_directories(m_dir / "data");
        std::filesystem::create_directories(m_dir / "runtime");
        ::chmod((m_dir / "runtime").c_str(), 0700);
        m_instance = "e2e-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    std::string LockPath() const { return m_dir / "runtime" + "/" + m_instance + ".lock"; }

    TempDir m_dir;
    std::string m_instance;
};

constexpr auto kStartTimeout = 20s; // a loaded machine; a clock starts in well under a second

TEST_F(SingleInstance, SecondStartAsksTheFirstToOpenAndEndsWithStatusZero) {
    Clock first;
    first.Start(m_dir, m_instance, m_dir / "first.err");
    ASSERT_TRUE(WaitForText(m_dir / "first.err", "listening", kStartTimeout))
        << ReadFileBytes(m_dir / "first.err");

    Clock second;
    second.Start(m_dir, m_instance, m_dir / "second.err");
    EXPECT_EQ(second.WaitForExit(kStartTimeout), 0) << ReadFileBytes(m_dir / "second.err");
    EXPECT_TRUE(WaitForText(m_dir / "first.err", "open requested", 5s))
        << ReadFileBytes(m_dir / "first.err");
    EXPECT_EQ(ReadFileBytes(m_dir / "second.err").find("listening"), std::string::npos);
    EXPECT_TRUE(first.IsRunning());
}

TEST_F(SingleInstance, LockOfAKilledClockIsTakenOver) {
    Clock dead;
    dead.Start(m_dir, m_instance, m_dir / "dead.err");
    ASSERT_TRUE(WaitForText(m_dir / "dead.err", "listening", kStartTimeout))
        << ReadFileBytes(m_dir / "dead.err");
    const pid_t deadPid = dead.Pid();
    dead.Kill(SIGKILL); // no clean-up: lock file and socket stay behind
    ASSERT_TRUE(std::filesystem::exists(LockPath()));
    ASSERT_EQ(ReadFileBytes(LockPath()).rfind(std::to_string(deadPid) + "\n", 0), 0u);

    Clock next;
    next.Start(m_dir, m_instance, m_dir / "next.err");
    ASSERT_TRUE(WaitForText(m_dir / "next.err", "listening", kStartTimeout))
        << ReadFileBytes(m_dir / "next.err");
    EXPECT_TRUE(next.IsRunning());
    EXPECT_EQ(ReadFileBytes(LockPath()).rfind(std::to_string(next.Pid()) + "\n", 0), 0u);

    // And it answers as the first copy.
    Clock later;
    later.Start(m_dir, m_instance, m_dir / "later.err");
    EXPECT_EQ(later.WaitForExit(kStartTimeout), 0) << ReadFileBytes(m_dir / "later.err");
    EXPECT_TRUE(WaitForText(m_dir / "next.err", "open requested", 5s));
}

} // namespace
} // namespace tarnwick
