// tarnwick-cli check: one pass over the servers, in order, until one answers; then, for
// --apply or --precise, more hosts confirm it, and for --precise aimed queries refine it.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli.h"
#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "platform/system_time.h"
#include "settings/clock_settings.h"
#include "sync/check_policy.h"
#include "sync/offset_search.h"
#include "sync/time_protocol.h"
#include "sync/time_query.h"

namespace tarnwick::cli {

namespace {

constexpr int kNotSet = 2;

std::string WithoutCr(std::string text) {
    for (std::size_t at; (at = text.find('\r')) != std::string::npos;) {
        text.erase(at, 1);
    }
    return text;
}

std::string SecondsText(std::int64_t microseconds, bool sign) {
    char text[48];
    std::snprintf(text, sizeof text, sign ? "%+.3f" : "%.3f",
                  static_cast<double>(microseconds) / 1e6);
    return text;
}

// Questions become a y/N question on a terminal; without one nobody can be asked, which the
// command reports. The rest goes to stderr.
class TerminalMessageBox final : public IMessageBox {
public:
    MessageAnswer Show(const std::string& text, const std::string&, MessageButtons buttons,
                       MessageIcon) override {
        const std::string shown = WithoutCr(text);
        if (buttons == MessageButtons::Ok) {
            std::fprintf(stderr, "%s\n", shown.c_str());
            return MessageAnswer::Ok;
        }
        if (!::isatty(STDIN_FILENO)) {
            unanswered = true;
            return MessageAnswer::No;
        }
        std::fprintf(stderr, "%s\n[y/N] ", shown.c_str());
        std::string line;
        std::getline(std::cin, line);
        return line == "y" || line == "Y" || line == "yes" ? MessageAnswer::Yes : MessageAnswer::No;
    }

    bool unanswered = false; // a question came and there was no terminal to ask on
};

// --min-interval: seconds, decimals allowed, [0, 3600].
std::optional<std::chrono::milliseconds> ParseSeconds(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == nullptr || *end != '\0' || value < 0 || value > 3600) {
        return std::nullopt;
    }
    return std::chrono::milliseconds(static_cast<long long>(value * 1000 + 0.5));
}

void PrintServers(const CheckOutcome& outcome) {
    for (const ServerReport& report : outcome.servers) {
        std::string offset = "-";
        if (report.interval && !report.interval->IsEmpty()) {
            offset = SecondsText(report.interval->Middle(), true);
        }
        const std::string verdict = report.verdict == ServerVerdict::Agrees ? "agree"
                                    : report.verdict == ServerVerdict::Disagrees
                                        ? "disagree"
                                        : "no answer: " + report.reason;
        std::fprintf(stderr, "%s\t%s\t%s\n", report.entry.c_str(), offset.c_str(), verdict.c_str());
    }
}

int RunCheck(Context& context) {
    std::vector<std::string>& args = context.args;
    std::string error;
    const auto portText = TakeOption(args, "--port", error);
    const auto timeoutText = error.empty() ? TakeOption(args, "--timeout", error) : std::nullopt;
    const auto spacingText =
        error.empty() ? TakeOption(args, "--min-interval", error) : std::nullopt;
    if (!error.empty()) {
        return UsageError("check", error);
    }
    SearchParams params;
    if (portText) {
        const auto value = ParseInteger(*portText, 1, 65535);
        if (!value) {
            return UsageError("check",
                              "--port wants a number from 1 to 65535, not '" + *portText + "'");
        }
        params.defaultPort = static_cast<std::uint16_t>(*value);
    }
    params.queryTimeout = std::chrono::seconds(5);
    if (timeoutText) {
        const auto value = ParseInteger(*timeoutText, 1, 3600);
        if (!value) {
            return UsageError("check", "--timeout wants whole seconds from 1 to 3600, not '" +
                                           *timeoutText + "'");
        }
        params.queryTimeout = std::chrono::seconds(*value);
    }
    if (spacingText) {
        const auto value = ParseSeconds(*spacingText);
        if (!value) {
            return UsageError("check", "--min-interval wants seconds from 0 to 3600, not '" +
                                           *spacingText + "'");
        }
        params.minSpacing = *value;
    }
    const bool apply = TakeFlag(args, "--apply");
    const bool precise = TakeFlag(args, "--precise");
    for (const std::string& a : args) {
        if (a.rfind("--", 0) == 0) {
            return UsageError("check", "unknown option " + a);
        }
    }

    ClockSettings settings;
    LoadSettings(context.paths.settingsDirectory, settings, nullptr);
    std::vector<std::string> hosts = args;
    if (hosts.empty()) {
        const std::string& list = SelectedServerList(settings);
        if (const std::string tooLong = ServerListLengthError(list); !tooLong.empty()) {
            std::fprintf(stderr, "tarnwick-cli check: %s\n", tooLong.c_str());
            return kNotSet;
        }
        AppendServerList(list, hosts);
    }

    const IClock& clock = SystemClock::Instance();
    OffsetSearch search(
        hosts, clock, params,
        [&clock](const ServerAddress& server, std::chrono::milliseconds timeout) {
            return QueryTimeServer(server, TimeQueryContext{&clock}, timeout);
        },
        [](std::chrono::microseconds duration) {
            std::this_thread::sleep_for(duration);
            return true;
        });
    const bool answered = search.FirstPass(0);
    if (answered && (apply || precise)) {
        search.Confirm();
        if (precise) {
            search.Refine();
        }
    }
    const CheckOutcome& outcome = search.Outcome();
    PrintServers(outcome);
    if (!answered) {
        return kFailure;
    }

    Evaluation evaluation;
    evaluation.notes = DisagreementNotes(outcome);
    TerminalMessageBox messages;
    if (apply) {
        const auto setter = MakeSystemClockSetter();
        evaluation = EvaluateCheck(
            outcome, {settings.checkTimeMarginOfError, settings.checkTimeUpdateOption},
            MakeSystemTimeService()->Read(), messages, *setter);
    }
    std::printf("%s\t%lld\t%s\t%s\n", outcome.server.c_str(),
                static_cast<long long>(outcome.differenceSeconds),
                SecondsText(outcome.estimate.Middle(), false).c_str(),
                SecondsText(outcome.estimate.HalfWidth(), false).c_str());
    std::printf("%s\n",
                WithoutCr(OutcomeStatusText(outcome, evaluation.status, evaluation.notes)).c_str());
    if (messages.unanswered) {
        std::fprintf(stderr, "tarnwick-cli check: the update option asks before the clock is "
                             "set, and with no terminal nobody could be asked: nothing was set\n");
        return kNotSet;
    }
    const bool disagree = !DisagreementNotes(outcome).empty() || (apply && !outcome.agreed);
    return evaluation.setRefused || disagree ? kNotSet : kOk;
}

} // namespace

constinit const Command kCheckCommand{
    "check",
    "  check [--port P] [--timeout S] [--precise] [--min-interval S] [--apply] [HOST...]\n"
    "              ask the hosts (default: the configured list) in order until one answers;\n"
    "              prints HOST<TAB>DIFFERENCE<TAB>OFFSET<TAB>BOUND and the status text, and on\n"
    "              stderr one line per server asked (agree, disagree or no answer). --precise\n"
    "              confirms the answer with more hosts and refines the offset by queries aimed\n"
    "              at the server's change of second, at least --min-interval (default 4) s\n"
    "              apart per server; --apply confirms, then follows the margin and the update\n"
    "              option (exit 2: not set, or the servers disagree)",
    RunCheck};

} // namespace tarnwick::cli
