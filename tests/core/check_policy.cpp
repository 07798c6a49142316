// The margin, the guard before a step, the three update options with refusals, the system's
// own time service, the interval and the network trigger.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
#include "platform/system_time.h"
#include "support/case_tables.h"
#include "sync/check_policy.h"

using namespace tarnwick;

namespace {

TEST(Margin, BoundsIncluded) {
    for (const test::CaseRow& c : test::ReadCaseTable("time/margins.txt", 3)) {
        EXPECT_EQ(IsWithinMargin(std::stoll(c[0]), c.Int(1)), c.Flag(2)) << c;
    }
}

// Two servers agree on the offset and a third says an hour more; or only one answered.
CheckOutcome Outcome(std::int64_t offsetUs, bool agreed = true) {
    CheckOutcome outcome;
    outcome.answered = true;
    outcome.server = "time.example.org";
    outcome.differenceSeconds = offsetUs / 1'000'000;
    outcome.estimate = {offsetUs - 500, offsetUs + 500};
    outcome.distinctHosts = 3;
    outcome.agreeing = agreed ? 2 : 1;
    outcome.agreed = agreed;
    outcome.servers = {{"time.example.org", ServerVerdict::Agrees, outcome.estimate, "", 1},
                       {"liar.example.org", ServerVerdict::Disagrees,
                        OffsetInterval{offsetUs + 3'600'000'000, offsetUs + 3'600'000'000}, "", 1}};
    if (agreed) {
        outcome.servers.push_back(
            {"time2.example.org", ServerVerdict::Agrees, outcome.estimate, "", 1});
    } else {
        outcome.servers[1] = {"time2.example.org", ServerVerdict::NoAnswer, {}, "refused", 1};
    }
    return outcome;
}

constexpr std::int64_t kHourAndABit = 3'723'250'000; // 1 h 2 min 3.25 s

// A setter whose refusal says the system's own time service keeps the clock.
class KeepsTimeSetter final : public IClockSetter {
public:
    ClockStepResult StepBy(std::int64_t, std::stop_token) override {
        return {false, "kept by NTP", false, true};
    }
};

// The three update options and their refusals, the guard and the system's time service, from a
// table under tests/data/time/.
TEST(UpdateOption, OutsideTheMargin) {
    for (const test::CaseRow& c : test::ReadCaseTable("time/update_options.txt", 11)) {
        SCOPED_TRACE(c);
        const std::int64_t offset = std::stoll(c[2]);
        RecordingMessageBox messages;
        messages.ScriptAnswer(c[4] == "Yes" ? MessageAnswer::Yes : MessageAnswer::No);
        FakeClockSetter setter;
        setter.refuseWith = c[5] == "ok" || c[5] == "keeps" ? "" : c[5];
        KeepsTimeSetter keepsTime;
        FakeSystemTimeService system;
        system.status.ntp = c.Flag(6);
        const Evaluation evaluation =
            EvaluateCheck(Outcome(offset, c.Flag(3)), {1, c.Int(1)}, system.Read(), messages,
                          c[5] == "keeps" ? static_cast<IClockSetter&>(keepsTime) : setter);
        EXPECT_EQ(evaluation.status, c[7] == "Synchronized" ? StatusSynchronized
                                     : c[7] == "Difference" ? StatusDifference
                                                            : StatusConnecting);
        // Each message in order: a question holds its expected part, any other begins with it.
        std::vector<std::string> texts;
        for (const std::size_t i : {9u, 10u}) {
            if (!c[i].empty()) {
                texts.push_back(c[i]);
            }
        }
        ASSERT_EQ(messages.shown.size(), texts.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const auto& shown = messages.shown[i];
            const bool question = texts[i][0] == '?';
            EXPECT_EQ(shown.buttons == MessageButtons::YesNo, question) << shown.text;
            const std::size_t at = shown.text.find(texts[i].substr(question ? 1 : 0));
            EXPECT_TRUE(question ? at != std::string::npos : at == 0) << shown.text;
            // Nothing ever advises turning the system's own time service off.
            EXPECT_EQ(shown.text.find("set-ntp"), std::string::npos) << shown.text;
        }
        EXPECT_EQ(setter.steps,
                  c.Flag(8) ? std::vector<std::int64_t>{offset} : std::vector<std::int64_t>{});
        if (c.Flag(3)) {
            const std::string notes = ::testing::PrintToString(evaluation.notes);
            EXPECT_NE(notes.find("liar.example.org disagrees by +1 hour; ignored"),
                      std::string::npos)
                << notes;
        }
    }
}

// The notes say why: a time service the kernel reports (timedated knows none), one server.
TEST(UpdateOption, NotesSayWhyTheClockWasLeftAlone) {
    RecordingMessageBox messages;
    FakeClockSetter setter;
    SystemTimeStatus kernel;
    kernel.kernelRead = kernel.kernelSynchronized = true;
    EXPECT_EQ(
        EvaluateCheck(Outcome(kHourAndABit), {1, 1070}, kernel, messages, setter).notes.back(),
        "NTP keeps this clock (synchronized)");
    EXPECT_EQ(
        EvaluateCheck(Outcome(kHourAndABit, false), {1, 1070}, {}, messages, setter).notes.back(),
        "Not set: one server alone");
    EXPECT_TRUE(setter.steps.empty());
}

TEST(CheckSchedule, DueAfterTheHoursForAnyCountAndOnceAfterASleep) {
    CheckSchedule schedule;
    schedule.Arm(1000, 0);
    EXPECT_FALSE(schedule.IsArmed());
    schedule.Arm(1000, -5);
    EXPECT_FALSE(schedule.IsArmed());
    schedule.Arm(1000, 1200); // above what a 32-bit millisecond timer holds
    EXPECT_EQ(schedule.RemainingMilliseconds(1000), 1200LL * 3600000);
    EXPECT_FALSE(schedule.IsDue(1000 + 1200LL * 3600000 - 1));
    EXPECT_TRUE(schedule.IsDue(1000 + 1200LL * 3600000));
    // Woken days late: due now; re-armed from the check, it is not due again at once.
    const std::int64_t woke = 1000 + 1300LL * 3600000;
    EXPECT_EQ(schedule.RemainingMilliseconds(woke), 0);
    schedule.Arm(woke, 1200);
    EXPECT_FALSE(schedule.IsDue(woke + 60000));
}

TEST(DialUpMonitor, ChecksWhenAConnectionComesUp) {
    // The link at each poll (1: up), and the polls that start a check: none at the first poll,
    // one when it comes up, none while it stays up or down, one when it comes up again.
    FakeNetworkLink link;
    CDialUpMonitor monitor(link);
    std::string checks;
    for (const char up : std::string("0110011")) {
        link.connected = up == '1';
        checks += monitor.Poll() ? '1' : '0';
    }
    EXPECT_EQ(checks, "0100010");
    CDialUpMonitor atStart(link);
    EXPECT_TRUE(atStart.Poll()); // up at the first poll
}

} // namespace
