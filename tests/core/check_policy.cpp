// The margin, the three update options with refusals, the interval and the network trigger.
#include <gtest/gtest.h>

#include <string>

#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/network_link.h"
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

const TimeAnswer kAnswer{"time.example.org", 93784, 93784250};

struct OptionCase {
    int option;
    bool answerYes;
    const char* refuse; // empty: the setter agrees
    int status;
    std::vector<std::string> texts; // messages shown, in order (the prompt as "?")
    bool stepped;
};

class UpdateOption : public ::testing::TestWithParam<OptionCase> {};

TEST_P(UpdateOption, OutsideTheMargin) {
    const OptionCase& c = GetParam();
    RecordingMessageBox messages;
    messages.ScriptAnswer(c.answerYes ? MessageAnswer::Yes : MessageAnswer::No);
    FakeClockSetter setter;
    setter.refuseWith = c.refuse;
    const Evaluation evaluation = EvaluateAnswer(kAnswer, {1, c.option}, messages, setter);
    EXPECT_EQ(evaluation.status, c.status);
    EXPECT_EQ(evaluation.setRefused, std::string(c.refuse).size() > 0 && c.stepped);
    std::vector<std::string> texts;
    for (const auto& shown : messages.shown) {
        texts.push_back(shown.buttons == MessageButtons::YesNo ? "?" : shown.text);
    }
    EXPECT_EQ(texts, c.texts);
    if (c.stepped) {
        EXPECT_EQ(setter.steps, std::vector<std::int64_t>{93784250000LL}); // the estimate, in us
    } else {
        EXPECT_TRUE(setter.steps.empty());
    }
}

const char kRefusal[] = "Automatic time synchronization is enabled";
const std::string kCouldNot = std::string("I could not update the time.\r\n") + kRefusal;

INSTANTIATE_TEST_SUITE_P(
    NeverPromptAutomatic, UpdateOption,
    ::testing::Values(
        OptionCase{1068, true, "", StatusDifference, {}, false},
        OptionCase{1069, false, "", StatusDifference, {"?"}, false},
        OptionCase{1069, true, "", StatusSynchronized, {"?", "Your time was updated."}, true},
        OptionCase{1069, true, kRefusal, StatusDifference, {"?", kCouldNot}, true},
        OptionCase{1070, false, "", StatusSynchronized, {}, true},
        OptionCase{1070, false, kRefusal, StatusDifference, {kCouldNot}, true},
        OptionCase{4242, false, "", StatusSynchronized, {}, true}));

TEST(UpdateOption, WithinTheMarginNothingIsAskedOrSet) {
    RecordingMessageBox messages;
    FakeClockSetter setter;
    const Evaluation evaluation = EvaluateAnswer({"s", -1, -900}, {1, 1070}, messages, setter);
    EXPECT_EQ(evaluation.status, StatusDifference);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(setter.steps.empty());
}

TEST(UpdateOption, PromptShowsTheDifferenceAsTheDisplayDoes) {
    EXPECT_EQ(SynchronizePromptText(kAnswer),
              "Do you wish to synchronize your clock with the following server.  \r\n"
              "Difference of Time Server:\r\ntime.example.org\r\nDays:1 Hours:02\r\n"
              "Minutes:03 Seconds:04");
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
    FakeNetworkLink link;
    CDialUpMonitor monitor(link);
    link.connected = true;
    EXPECT_TRUE(monitor.Poll());  // up at the first poll
    EXPECT_FALSE(monitor.Poll()); // stays up
    link.connected = false;
    EXPECT_FALSE(monitor.Poll());
    EXPECT_FALSE(monitor.Poll());
    link.connected = true;
    EXPECT_TRUE(monitor.Poll()); // down, then up again
    EXPECT_FALSE(monitor.Poll());
}

TEST(DialUpMonitor, NoConnectionAtStartThenOne) {
    FakeNetworkLink link;
    CDialUpMonitor monitor(link);
    EXPECT_FALSE(monitor.Poll());
    link.connected = true;
    EXPECT_TRUE(monitor.Poll());
}

} // namespace
