// The Linux clock setter against a stand-in systemd-timedated on a private dbus-daemon. This
// program runs under tests/without_set_time.sh, without CAP_SYS_TIME and on a bus of its own:
// every test first checks that, so a fault here can only fail and never set this computer's
// clock.
#include "platform/linux/clock_setter_linux.h"
#include "platform/system_time.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <stdexcept>
#include <systemd/sd-bus.h>
#include <thread>

#include "support/scoped_env.h"

namespace tarnwick {
namespace {

using test::ScopedEnv;

// Nothing in this process can set the clock: not now (effective, permitted, ambient), not after
// an exec (bounding set dropped, or no-new-privs so nothing can grant it back). A set missing
// from /proc/self/status counts as holding it.
::testing::AssertionResult CannotSetTheClock() {
    std::map<std::string, std::string> status;
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) { // "CapEff:\t000001fffeffffff"
        const std::size_t colon = line.find(':');
        const std::size_t value = line.find_first_not_of(" \t", colon + 1);
        status[line.substr(0, colon)] = value == std::string::npos ? "" : line.substr(value);
    }
    const auto holds = [&status](const std::string& set) {
        return !status.contains(set) || ((std::stoull(status[set], nullptr, 16) >> 25) & 1) != 0;
    };
    if (holds("CapEff") || holds("CapPrm") || holds("CapAmb") ||
        (holds("CapBnd") && status["NoNewPrivs"] != "1")) {
        return ::testing::AssertionFailure()
               << "CAP_SYS_TIME (bit 25) is held or can be regained (CapEff " << status["CapEff"]
               << ", CapBnd " << status["CapBnd"] << ", NoNewPrivs " << status["NoNewPrivs"]
               << "); run this program through tests/without_set_time.sh";
    }
    return ::testing::AssertionSuccess();
}

// What the stand-in answers: success, a D-Bus error, or nothing at all; and its properties.
struct Answer {
    std::string errorName; // empty: success
    std::string errorMessage;
    bool silent = false;
    bool ntp = false;
    bool ntpSynchronized = false;
};

// A stand-in for systemd-timedated: owns org.freedesktop.timedate1 on the bus that
// DBUS_SYSTEM_BUS_ADDRESS names, records each SetTime call and answers as scripted. It serves
// on a thread of its own once it owns the name; it throws when it cannot.
class StandInTimedated {
public:
    explicit StandInTimedated(Answer answer) : m_answer(std::move(answer)) {
        static const sd_bus_vtable vtable[] = {
            SD_BUS_VTABLE_START(0),
            SD_BUS_METHOD("SetTime", "xbb", "", &StandInTimedated::OnSetTime,
                          SD_BUS_VTABLE_UNPRIVILEGED),
            SD_BUS_PROPERTY("NTP", "b", &StandInTimedated::GetProperty, 0, 0),
            SD_BUS_PROPERTY("NTPSynchronized", "b", &StandInTimedated::GetProperty, 0, 0),
            SD_BUS_VTABLE_END};
        int r = sd_bus_open_system(&m_bus);
        if (r >= 0) {
            r = sd_bus_add_object_vtable(m_bus, nullptr, "/org/freedesktop/timedate1",
                                         "org.freedesktop.timedate1", vtable, this);
        }
        if (r >= 0) {
            r = sd_bus_request_name(m_bus, "org.freedesktop.timedate1", 0);
        }
        if (r < 0) {
            sd_bus_flush_close_unref(m_bus);
            throw std::runtime_error(std::string("stand-in: ") + std::strerror(-r));
        }
        m_thread = std::thread([this] {
            for (int r = 0; r >= 0 && !m_stop;) {
                r = sd_bus_process(m_bus, nullptr);
                if (r == 0) {
                    r = sd_bus_wait(m_bus, 20'000); // microseconds; bounded so m_stop is seen
                }
            }
        });
    }
    ~StandInTimedated() {
        m_stop = true;
        m_thread.join();
        sd_bus_flush_close_unref(m_bus);
    }
    StandInTimedated(const StandInTimedated&) = delete;
    StandInTimedated& operator=(const StandInTimedated&) = delete;

    // Each SetTime call as "<usec> <relative> <interactive> <allows interactive authorization>".
    std::vector<std::string> Calls() {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    static int OnSetTime(sd_bus_message* m, void* userdata, sd_bus_error* error) {
        auto* self = static_cast<StandInTimedated*>(userdata);
        std::int64_t usec = 0;
        int relative = 0;
        int interactive = 0;
        const int r = sd_bus_message_read(m, "xbb", &usec, &relative, &interactive);
        if (r < 0) {
            return r;
        }
        {
            std::lock_guard lock(self->m_mutex);
            self->m_calls.push_back(
                std::to_string(usec) + " " + std::to_string(relative) + " " +
                std::to_string(interactive) + " " +
                std::to_string(sd_bus_message_get_allow_interactive_authorization(m)));
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

    Answer m_answer;
    sd_bus* m_bus = nullptr;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
    std::thread m_thread;
};

// Stand-ins for the capability test and the clock step, so that the fallback's decisions are
// seen without the real clock: the recorder never calls clock_settime. The setter calls both on
// the thread that asks it to step.
bool g_pretendCapability = false;
int g_stepError = 0;
std::vector<std::int64_t> g_steps;

bool PretendCapability() {
    return g_pretendCapability;
}
int RecordStep(std::int64_t offsetMicroseconds) {
    g_steps.push_back(offsetMicroseconds);
    return g_stepError;
}

class SystemClockSetterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CannotSetTheClock());
        const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
        ASSERT_TRUE(bus && *bus) << "no private bus: run this program through without_set_time.sh";
        m_bus = bus;
        m_env.Set(m_bus);
        g_pretendCapability = false;
        g_stepError = 0;
        g_steps.clear();
    }

    // The real setter with the step recorded instead of made, and a short timedated timeout.
    std::unique_ptr<IClockSetter> Setter() {
        return MakeSystemClockSetter(
            {&PretendCapability, &RecordStep, std::chrono::milliseconds(500)});
    }

    std::string m_bus;
    ScopedEnv m_env{"DBUS_SYSTEM_BUS_ADDRESS"};
};

TEST_F(SystemClockSetterTest, TimedatedStepsRelativelyAndMayAskTheUser) {
    StandInTimedated timedated({});
    g_pretendCapability = true; // the service is asked even where the program could step
    for (const std::int64_t offset : {1'234'567LL, -3'600'000'001LL, 1LL}) {
        const ClockStepResult result = Setter()->StepBy(offset);
        EXPECT_TRUE(result.ok) << result.reason;
        EXPECT_EQ(result.reason, "");
    }
    EXPECT_EQ(timedated.Calls(),
              (std::vector<std::string>{"1234567 1 1 1", "-3600000001 1 1 1", "1 1 1 1"}));
    EXPECT_TRUE(g_steps.empty());
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
    EXPECT_TRUE(g_steps.empty());
}

TEST_F(SystemClockSetterTest, AWaitForTimedatedEndsWhenTheCallerStops) {
    StandInTimedated timedated({"", "", true});
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
    EXPECT_TRUE(g_steps.empty());
}

TEST_F(SystemClockSetterTest, TheSystemsTimeServiceIsReadFromTimedated) {
    for (const bool ntp : {false, true}) {
        StandInTimedated timedated({"", "", false, ntp, !ntp});
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

// Where no timedated answers (nobody owns its name, or there is no bus at all) the program
// steps the clock itself, only with the capability, and says why when it cannot.
TEST_F(SystemClockSetterTest, WithoutTimedatedOnlyTheCapabilityLetsTheProgramStep) {
    const struct {
        bool capability;
        int stepError;
        std::string reasonHas; // empty: stepped
    } cases[] = {
        {false, 0, "(it lacks CAP_SYS_TIME): " + std::string(std::strerror(EPERM))},
        {true, EPERM,
         "), and setting the clock directly failed: " + std::string(std::strerror(EPERM))},
        {true, 0, ""},
    };
    std::vector<std::int64_t> expectedSteps;
    for (const std::string& address : {m_bus, std::string("unix:path=/nonexistent/tarnwick-bus")}) {
        m_env.Set(address);
        for (const auto& c : cases) {
            SCOPED_TRACE(address + (c.capability ? ", capability" : ", none"));
            g_pretendCapability = c.capability;
            g_stepError = c.stepError;
            const ClockStepResult result = Setter()->StepBy(-750'000);
            if (c.capability) {
                expectedSteps.push_back(-750'000);
            }
            EXPECT_EQ(result.ok, c.reasonHas.empty()) << result.reason;
            if (!c.reasonHas.empty()) {
                EXPECT_TRUE(
                    result.reason.starts_with("No time service answers on the system bus ("))
                    << result.reason;
                EXPECT_PRED_FORMAT2(testing::IsSubstring, c.reasonHas, result.reason);
            }
        }
    }
    EXPECT_EQ(g_steps, expectedSteps);
    // The real capability test agrees: this process does not hold it.
    m_env.Set(m_bus);
    const ClockStepResult real = MakeSystemClockSetter()->StepBy(2'000'000);
    EXPECT_FALSE(real.ok);
    EXPECT_NE(real.reason.find(std::strerror(EPERM)), std::string::npos) << real.reason;
}

} // namespace
} // namespace tarnwick
