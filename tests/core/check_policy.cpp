// The margin, the guard before a step, the three update options with refusals, the system's
// own time service, the interval and the network trigger.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
#include "platform/system_time.h"
#include "sync/check_policy.h"

using namespace tarnwick;

namespace {

struct MarginCase {
    std::int64_t difference;
    int margin;
    bool within;
};

class Margin : public ::testing::TestWithParam<MarginCase> {};

TEST_P(Margin, BoundsIncluded) {
    EXPECT_EQ(IsWithinMargin(GetParam().difference, GetParam().margin), GetParam().within)
        << GetParam().difference << " within " << GetParam().margin;
}

INSTANTIATE_TEST_SUITE_P(Table, Margin,
                         ::testing::Values(MarginCase{1, 1, true}, MarginCase{-1, 1, true},
                                           MarginCase{2, 1, false}, MarginCase{-2, 1, false},
                                           MarginCase{0, 0, true}, MarginCase{1, 0, false},
                                           MarginCase{0, -1, false},
                                           MarginCase{-93600, 93599, false}, // -1 day 2 h
                                           MarginCase{-93600, 93600, true}));

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

constexpr std::int64_t kHourAndABit = 3'723'250'000;   // 1 h 2 min 3.25 s
constexpr std::int64_t kSixteenHours = 57'600'000'000; // beyond the 15 hours never stepped alone

struct OptionCase {
    const char* name;
    int option;
    std::int64_t offsetUs;
    bool agreed;
    bool answerYes;
    const char* refuse;    // empty: the setter agrees
    bool ntp;              // the system keeps the clock by NTP
    bool keepsTimeRefusal; // the setter's refusal says so
    SyncStatusValue status;
    std::vector<std::string> texts; // messages shown, in order (a question as "?" + a part)
    bool stepped;
};

class UpdateOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(UpdateOption, OutsideTheMargin) {
    const OptionCase& c = GetParam();
    RecordingMessageBox messages;
    messages.ScriptAnswer(c.answerYes ? MessageAnswer::Yes : MessageAnswer::No);
    FakeClockSetter setter;
    setter.refuseWith = c.refuse;
    FakeSystemTimeService system;
    system.status.ntp = c.ntp;
    struct KeepsTime final : IClockSetter {
        ClockStepResult StepBy(std::int64_t, std::stop_token) override {
            return {false, "kept by NTP", false, true};
        }
    } keepsTime;
    IClockSetter& used = c.keepsTimeRefusal ? static_cast<IClockSetter&>(keepsTime) : setter;
    const Evaluation evaluation =
        EvaluateCheck(Outcome(c.offsetUs, c.agreed), {1, c.option}, system.Read(), messages, used);
    EXPECT_EQ(evaluation.status, c.status) << c.name;
    // Each message in order: a question holds its expected part, any other begins with it.
    ASSERT_EQ(messages.shown.size(), c.texts.size()) << c.name;
    for (std::size_t i = 0; i < c.texts.size(); ++i) {
        const auto& shown = messages.shown[i];
        const bool question = c.texts[i][0] == '?';
        EXPECT_EQ(shown.buttons == MessageButtons::YesNo, question) << c.name << ": " << shown.text;
        const std::size_t at = shown.text.find(c.texts[i].substr(question ? 1 : 0));
        EXPECT_TRUE(question ? at != std::string::npos : at == 0) << c.name << ": " << shown.text;
        // Nothing ever advises turning the system's own time service off.
        EXPECT_EQ(shown.text.find("set-ntp"), std::string::npos) << shown.text;
    }
    EXPECT_EQ(setter.steps,
              c.stepped ? std::vector<std::int64_t>{c.offsetUs} : std::vector<std::int64_t>{})
        << c.name;
    if (c.agreed) {
        const std::string notes = ::testing::PrintToString(evaluation.notes);
        EXPECT_NE(notes.find("liar.example.org disagrees by +1 hour; ignored"), std::string::npos)
            << notes;
    }
}

const char kRefusal[] = "Access denied";
const std::string kCouldNot = std::string("I could not update the time.\r\n") + kRefusal;
const std::string kPrompt = "?Do you wish to synchronize your clock with the following server.  "
                            "\r\nDifference of Time Server:\r\ntime.example.org\r\nDays:0 "
                            "Hours:01\r\nMinutes:02 Seconds:03\r\nOffset +3723.250 s";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    NeverPromptAutomatic, UpdateOption,
    ::testing::Values(
        // name, option, offset, agreed, answer Yes, refusal, NTP, NTP refusal, status, texts,
        // stepped
        OptionCase{"never", 1068, kHourAndABit, true, true, "", false, false,
                   StatusDifference, {}, false},
        OptionCase{"prompt, no", 1069, kHourAndABit, true, false, "", false, false,
                   StatusDifference, {kPrompt}, false},
        OptionCase{"prompt, yes", 1069, kHourAndABit, true, true, "", false, false,
                   StatusSynchronized, {kPrompt, "Your time was updated."}, true},
        OptionCase{"prompt, refused", 1069, kHourAndABit, true, true, kRefusal, false, false,
                   StatusDifference, {kPrompt, kCouldNot}, true},
        OptionCase{"automatic", 1070, kHourAndABit, true, false, "", false, false,
                   StatusSynchronized, {}, true},
        OptionCase{"automatic, refused", 1070, kHourAndABit, true, false, kRefusal, false, false,
                   StatusDifference, {kCouldNot}, true},
        OptionCase{"any other option", 4242, kHourAndABit, true, false, "", false, false,
                   StatusSynchronized, {}, true},
        OptionCase{"within the margin", 1070, -900'000, true, false, "", false, false,
                   StatusDifference, {}, false},
        OptionCase{"one server of three", 1070, kHourAndABit, false, true, "", false, false,
                   StatusDifference, {"Only one of the time servers answered"}, false},
        OptionCase{"16 hours is asked even automatically", 1070, kSixteenHours, true, true, "",
                   false, false, StatusSynchronized,
                   {"?This sets the clock 16 hours ahead.", "Your time was updated."}, true},
        OptionCase{"-16 hours, declined", 1069, -kSixteenHours, true, false, "", false, false,
                   StatusDifference, {"?This sets the clock 16 hours back."}, false},
        OptionCase{"the system keeps the clock: only shown", 1069, kHourAndABit, true, true, "",
                   true, false, StatusDifference, {}, false},
        OptionCase{"timedated says NTP keeps it: no refusal box", 1070, kHourAndABit, true,
                   false, "", false, true, StatusDifference, {}, false}));
// clang-format on

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
