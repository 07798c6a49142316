// Two real clocks, offscreen: the second start asks the first to open its window and ends
// with status 0; a lock left by a clock that was killed is taken over.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/temp_dir.h"

extern char** environ;

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
        const char* binDir = std::getenv("TARNWICK_BIN_DIR");
        const std::string binary = std::string(binDir ? binDir : ".") + "/tarnwick";
        const std::vector<std::string> overrides = {
            "HOME=" + dir / "home",
            "XDG_CONFIG_HOME=" + dir / "home/.config",
            "XDG_DATA_HOME=" + dir / "home/.local/share",
            "XDG_RUNTIME_DIR=" + dir / "runtime",
            "TARNWICK_INSTANCE=" + instance,
            "TARNWICK_DEBUG_INSTANCE=1",
            "QT_QPA_PLATFORM=offscreen",
        };
        std::vector<std::string> environment = overrides;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            const std::string name = text.substr(0, text.find('='));
            bool overridden = false;
            for (const std::string& o : overrides) {
                overridden = overridden || o.compare(0, name.size() + 1, name + "=") == 0;
            }
            if (!overridden) {
                environment.push_back(text);
            }
        }
        const std::vector<std::string> arguments = {binary, "--dir", dir / "data"};
        m_pid = ::fork();
        ASSERT_GE(m_pid, 0) << std::strerror(errno);
        if (m_pid == 0) {
            const int fd = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                ::dup2(fd, 2);
            }
            std::vector<char*> argv;
            for (const std::string& a : arguments) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            std::vector<char*> envp;
            for (const std::string& e : environment) {
                envp.push_back(const_cast<char*>(e.c_str()));
            }
            envp.push_back(nullptr);
            ::execve(binary.c_str(), argv.data(), envp.data());
            ::_exit(127);
        }
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
