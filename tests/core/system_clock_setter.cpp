// The Linux clock setter against a stand-in systemd-timedated on a private dbus-daemon. This
// program runs under tests/without_set_time.sh, without CAP_SYS_TIME: every test first checks
// that, so a fault here can only fail and never set this computer's clock.
#include "platform/linux/clock_setter_linux.h"
#include "platform/system_time.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sstream>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>

#include "support/cli_runner.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace tarnwick {
namespace {

using test::ScopedEnv;
using test::TempDir;

constexpr unsigned kSysTime = 25; // CAP_SYS_TIME

// The capability sets of this process from /proc/self/status; empty when the field is missing.
std::string StatusField(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream value(line.substr(field.size() + 1));
            std::string text;
            value >> text;
            return text;
        }
    }
    return {};
}

bool HasSysTime(const std::string& capabilityField) {
    const std::string hex = StatusField(capabilityField);
    return hex.empty() || ((std::stoull(hex, nullptr, 16) >> kSysTime) & 1) != 0;
}

// Nothing in this process can set the clock: not now (effective, permitted), not after an exec
// (bounding set dropped, or no-new-privs so nothing can grant it back).
::testing::AssertionResult CannotSetTheClock() {
    if (HasSysTime("CapEff") || HasSysTime("CapPrm") || HasSysTime("CapAmb")) {
        return ::testing::AssertionFailure()
               << "CAP_SYS_TIME is held (CapEff " << StatusField("CapEff")
               << "); run this program through tests/without_set_time.sh";
    }
    if (HasSysTime("CapBnd") && StatusField("NoNewPrivs") != "1") {
        return ::testing::AssertionFailure()
               << "CAP_SYS_TIME is in the bounding set and no-new-privs is off";
    }
    return ::testing::AssertionSuccess();
}

// A dbus-daemon of our own, on a socket in a temporary directory, that lets anyone own any
// name and call anything.
class PrivateBus {
public:
    PrivateBus() {
        const std::string config = m_dir / "bus.conf";
        test::WriteFileBytes(config, "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                                     "Configuration 1.0//EN\" "
                                     "\"http://www.freedesktop.org/standards/dbus/1.0/"
                                     "busconfig.dtd\">\n<busconfig><type>session</type>"
                                     "<listen>unix:path=" +
                                         (m_dir / "bus") +
                                         "</listen><auth>EXTERNAL</auth>"
                                         "<policy context=\"default\">"
                                         "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                         "<allow eavesdrop=\"true\"/><allow own=\"*\"/>"
                                         "</policy></busconfig>\n");
        // The address comes as one line once the daemon listens; 5 s at most. Its complaints
        // (as root it cannot raise its file limit here) go to a file, shown only when it does
        // not start.
        m_pid = test::SpawnProgram("/usr/bin/dbus-daemon",
                                   {"--nofork", "--config-file=" + config, "--print-address"}, {},
                                   m_dir / "address", m_dir / "daemon.log");
        for (int waited = 0; m_pid > 0 && waited < 500; ++waited) {
            const std::string text = test::ReadFileBytes(m_dir / "address");
            if (const std::size_t end = text.find('\n'); end != std::string::npos) {
                m_address = text.substr(0, end);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~PrivateBus() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& Address() const { return m_address; } // empty: the daemon did not start
    std::string Log() const { return test::ReadFileBytes(m_dir / "daemon.log"); }

private:
    TempDir m_dir;
    pid_t m_pid = -1;
    std::string m_address;
};

struct SetTimeCall {
    std::int64_t usec = 0;
    bool relative = false;
    bool interactive = false;
    bool allowsInteractiveAuthorization = false;
};

// What the stand-in answers: success, a D-Bus error, or nothing at all; and its properties.
struct Answer {
    std::string errorName; // empty: success
    std::string errorMessage;
    bool silent = false;
    bool ntp = false;
    bool ntpSynchronized = false;
};

// A stand-in for systemd-timedated: owns org.freedesktop.timedate1 on the bus that
// DBUS_SYSTEM_BUS_ADDRESS names, records each SetTime call and answers as scripted.
class StandInTimedated {
public:
    explicit StandInTimedated(Answer answer) : m_answer(std::move(answer)) {
        std::promise<std::string> ready;
        std::future<std::string> started = ready.get_future();
        m_thread = std::thread([this, promise = std::move(ready)]() mutable { Run(promise); });
        m_startError = started.get();
    }
    ~StandInTimedated() {
        m_stop = true;
        m_thread.join();
    }
    StandInTimedated(const StandInTimedated&) = delete;
    StandInTimedated& operator=(const StandInTimedated&) = delete;

    const std::string& StartError() const { return m_startError; } // empty: serving
    std::vector<SetTimeCall> Calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    static int OnSetTime(sd_bus_message* m, void* userdata, sd_bus_error* error) {
        auto* self = static_cast<StandInTimedated*>(userdata);
        SetTimeCall call;
        int relative = 0;
        int interactive = 0;
        const int r = sd_bus_message_read(m, "xbb", &call.usec, &relative, &interactive);
        if (r < 0) {
            return r;
        }
        call.relative = relative != 0;
        call.interactive = interactive != 0;
        call.allowsInteractiveAuthorization =
            sd_bus_message_get_allow_interactive_authorization(m) > 0;
        {
            std::lock_guard lock(self->m_mutex);
            self->m_calls.push_back(call);
        }
        if (self->m_answer.silent) {
            return 1; // never answered: the caller's timeout has to end the wait
        }
        if (!self->m_answer.errorName.empty()) {
            return sd_bus_error_set(error, self->m_answer.errorName.c_str(),
                                    self->m_answer.errorMessage.c_str());
        }
        return sd_bus_reply_method_return(m, "");
    }

    static int GetProperty(sd_bus*, const char*, const char*, const char* property,
                           sd_bus_message* reply, void* userdata, sd_bus_error*) {
        const Answer& answer = static_cast<StandInTimedated*>(userdata)->m_answer;
        const bool value = std::string(property) == "NTP" ? answer.ntp : answer.ntpSynchronized;
        return sd_bus_message_append(reply, "b", value ? 1 : 0);
    }

    void Run(std::promise<std::string>& ready) {
        static const sd_bus_vtable vtable[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("SetTime", "xbb", "", &StandInTimedated::OnSetTime,
                          SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_PROPERTY("NTP", "b", &StandInTimedated::GetProperty, 0, 0),
            SD_BUS_PROPERTY("NTPSynchronized", "b", &StandInTimedated::GetProperty, 0, 0),
            SD_BUS_VTABLE_END};
        sd_bus* bus = nullptr;
        sd_bus_slot* slot = nullptr;
        int r = sd_bus_open_system(&bus);
        if (r >= 0) {
            r = sd_bus_add_object_vtable(bus, &slot, "/org/freedesktop/timedate1",
                                         "org.freedesktop.timedate1", vtable, this);
        }
        if (r >= 0) {
            r = sd_bus_request_name(bus, "org.freedesktop.timedate1", 0);
        }
        ready.set_value(r < 0 ? std::string("stand-in: ") + std::strerror(-r) : std::string());
        while (r >= 0 && !m_stop) {
            r = sd_bus_process(bus, nullptr);
            if (r == 0) {
                r = sd_bus_wait(bus, 20'000); // microseconds; bounded so m_stop is seen
            }
        }
        sd_bus_slot_unref(slot);
        sd_bus_flush_close_unref(bus);
    }

    Answer m_answer;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<SetTimeCall> m_calls;
    std::string m_startError;
    std::thread m_thread;
};

// Stand-ins for the capability test and the clock step, so that the fallback's decisions are
// seen without the real clock: the recorder never calls clock_settime.
std::atomic<bool> g_pretendCapability{false};
std::atomic<int> g_stepError{0};
std::mutex g_stepMutex;
std::vector<std::int64_t> g_steps;

bool PretendCapability() {
    return g_pretendCapability;
}
int RecordStep(std::int64_t offsetMicroseconds) {
    std::lock_guard lock(g_stepMutex);
    g_steps.push_back(offsetMicroseconds);
    return g_stepError;
}
std::vector<std::int64_t> RecordedSteps() {
    std::lock_guard lock(g_stepMutex);
    return g_steps;
}

class SystemClockSetterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CannotSetTheClock());
        ASSERT_FALSE(m_bus.Address().empty()) << "dbus-daemon did not start: " << m_bus.Log();
        m_env.Set(m_bus.Address());
        g_pretendCapability = false;
        g_stepError = 0;
        std::lock_guard lock(g_stepMutex);
        g_steps.clear();
    }

    // The real setter with the step recorded instead of made, and a short timedated timeout.
    std::unique_ptr<IClockSetter> Setter() {
        return MakeSystemClockSetter(
            {&PretendCapability, &RecordStep, std::chrono::milliseconds(500)});
    }

    PrivateBus m_bus;
    ScopedEnv m_env{"DBUS_SYSTEM_BUS_ADDRESS"};
};

TEST_F(SystemClockSetterTest, TimedatedStepsRelativelyAndMayAskTheUser) {
    StandInTimedated timedated({});
    ASSERT_EQ(timedated.StartError(), "");
    g_pretendCapability = true; // the service is asked even where the program could step
    const std::int64_t offsets[] = {1'234'567, -3'600'000'001, 1};
    for (const std::int64_t offset : offsets) {
        const ClockStepResult result = Setter()->StepBy(offset);
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(result.reason, "");
    }
    const std::vector<SetTimeCall> calls = timedated.Calls();
    ASSERT_EQ(calls.size(), std::size(offsets));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].usec, offsets[i]);
        EXPECT_TRUE(calls[i].relative);
        EXPECT_TRUE(calls[i].interactive);
        EXPECT_TRUE(calls[i].allowsInteractiveAuthorization);
    }
    EXPECT_TRUE(RecordedSteps().empty());
}

TEST_F(SystemClockSetterTest, RefusalsGiveTheirReasonAndNeverFallBack) {
    const struct {
        Answer answer;
        std::vector<std::string> reasonHas;
    } cases[] = {
        {{"org.freedesktop.timedate1.AutomaticTimeSyncEnabled",
          "Automatic time synchronization is enabled"},
         {"system's own time service keeps", "timedate1"}},
        {{"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
          "Interactive authentication required."},
         {"permission", "polkit", "Interactive authentication required."}},
        {{"org.freedesktop.DBus.Error.AccessDenied", "Permission denied"},
         {"Permission to set the clock was refused: Permission denied"}},
        {{"org.freedesktop.DBus.Error.InvalidArgs", "Time value overflow"},
         {"org.freedesktop.DBus.Error.InvalidArgs: Time value overflow"}},
        {{"", "", true}, {"did not answer within 500 ms", "may still be applied"}},
    };
    g_pretendCapability = true; // a refusal must not turn into a step of our own
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer.errorName.empty() ? "no answer" : c.answer.errorName);
        StandInTimedated timedated(c.answer);
        ASSERT_EQ(timedated.StartError(), "");
        const ClockStepResult result = Setter()->StepBy(5'000'000);
        EXPECT_FALSE(result.ok);
        for (const std::string& part : c.reasonHas) {
            EXPECT_NE(result.reason.find(part), std::string::npos) << result.reason;
        }
        // Never the advice to turn the system's own time service off.
        EXPECT_EQ(result.reason.find("set-ntp"), std::string::npos) << result.reason;
        EXPECT_EQ(result.mayStillApply, c.answer.silent);
        EXPECT_EQ(result.systemKeepsTime, c.answer.errorName.ends_with("AutomaticTimeSyncEnabled"));
        EXPECT_EQ(timedated.Calls().size(), 1u);
    }
    EXPECT_TRUE(RecordedSteps().empty());
}

TEST_F(SystemClockSetterTest, AWaitForTimedatedEndsWhenTheCallerStops) {
    StandInTimedated timedated({"", "", true});
    ASSERT_EQ(timedated.StartError(), "");
    std::stop_source stop;
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.request_stop();
    });
    const auto start = std::chrono::steady_clock::now();
    const ClockStepResult result =
        MakeSystemClockSetter({&PretendCapability, &RecordStep, std::chrono::seconds(120)})
            ->StepBy(1, stop.get_token());
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_TRUE(result.mayStillApply) << result.reason;
    EXPECT_TRUE(RecordedSteps().empty());
}

TEST_F(SystemClockSetterTest, TheSystemsTimeServiceIsReadFromTimedated) {
    for (const bool ntp : {false, true}) {
        StandInTimedated timedated({"", "", false, ntp, !ntp});
        ASSERT_EQ(timedated.StartError(), "");
        const SystemTimeStatus status = MakeSystemTimeService()->Read();
        EXPECT_EQ(status.ntp, ntp) << status.timedatedError;
        EXPECT_EQ(status.ntpSynchronized, !ntp);
        EXPECT_TRUE(status.kernelRead); // adjtimex without modes needs no privilege
    }
    m_env.Set("unix:path=/nonexistent/tarnwick-bus");
    const SystemTimeStatus none = MakeSystemTimeService()->Read();
    EXPECT_FALSE(none.ntp.has_value());
    EXPECT_NE(none.timedatedError, "");
}

TEST_F(SystemClockSetterTest, WithoutTimedatedOrCapabilityTheStepIsRefusedUntried) {
    // A bus on which nobody owns the name; then no bus at all.
    const std::string addresses[] = {m_bus.Address(), "unix:path=/nonexistent/tarnwick-bus"};
    for (const std::string& address : addresses) {
        m_env.Set(address);
        const ClockStepResult result = Setter()->StepBy(2'000'000);
        EXPECT_FALSE(result.ok) << address;
        EXPECT_NE(result.reason.find(std::strerror(EPERM)), std::string::npos) << result.reason;
        EXPECT_NE(result.reason.find("CAP_SYS_TIME"), std::string::npos) << result.reason;
    }
    EXPECT_TRUE(RecordedSteps().empty());
    // The real capability test agrees: this process does not hold it.
    m_env.Set(m_bus.Address());
    const ClockStepResult real = MakeSystemClockSetter()->StepBy(2'000'000);
    EXPECT_FALSE(real.ok);
    EXPECT_NE(real.reason.find(std::strerror(EPERM)), std::string::npos) << real.reason;
}

TEST_F(SystemClockSetterTest, WithoutTimedatedTheCapabilityLetsTheProgramStep) {
    g_pretendCapability = true;
    EXPECT_TRUE(Setter()->StepBy(-750'000).ok);
    g_stepError = EPERM;
    const ClockStepResult failed = Setter()->StepBy(42);
    EXPECT_FALSE(failed.ok);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "No time service answers on the system bus (",
                        failed.reason);
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "), and setting the clock directly failed: " +
                            std::string(std::strerror(EPERM)),
                        failed.reason);
    EXPECT_EQ(RecordedSteps(), (std::vector<std::int64_t>{-750'000, 42}));
}

} // namespace
} // namespace tarnwick
