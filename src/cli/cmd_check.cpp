// tarnwick-cli check: one pass over the servers, in order, until one answers.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "display/display_text.h"
#include "platform/clock.h"
#include "platform/clock_setter.h"
#include "platform/message_box.h"
#include "settings/clock_settings.h"
#include "sync/check_policy.h"
#include "sync/time_protocol.h"
#include "sync/time_query.h"

namespace tarnwick::cli {

namespace {

constexpr int kNotSet = 2;

// Questions become a y/N question on a terminal and No without one; the rest goes to stderr.
class TerminalMessageBox final : public IMessageBox {
public:
    MessageAnswer Show(const std::string& text, const std::string&, MessageButtons buttons,
                       MessageIcon) override {
        std::string shown = text;
        for (std::size_t at; (at = shown.find('\r')) != std::string::npos;) {
            shown.erase(at, 1);
        }
        if (buttons == MessageButtons::Ok) {
            std::fprintf(stderr, "%s\n", shown.c_str());
            return MessageAnswer::Ok;
        }
        if (!::isatty(STDIN_FILENO)) {
            return MessageAnswer::No;
        }
        std::fprintf(stderr, "%s\n[y/N] ", shown.c_str());
        std::string line;
        std::getline(std::cin, line);
        return line == "y" || line == "Y" || line == "yes" ? MessageAnswer::Yes : MessageAnswer::No;
    }
};

int RunCheck(Context& context) {
    std::vector<std::string>& args = context.args;
    std::string error;
    const auto portText = TakeOption(args, "--port", error);
    const auto timeoutText = error.empty() ? TakeOption(args, "--timeout", error) : std::nullopt;
    if (!error.empty()) {
        return UsageError("check", error);
    }
    std::uint16_t port = kTimeProtocolPort;
    if (portText) {
        const auto value = ParseInteger(*portText, 1, 65535);
        if (!value) {
            return UsageError("check",
                              "--port wants a number from 1 to 65535, not '" + *portText + "'");
        }
        port = static_cast<std::uint16_t>(*value);
    }
    long long timeoutSeconds = 5;
    if (timeoutText) {
        const auto value = ParseInteger(*timeoutText, 1, 3600);
        if (!value) {
            return UsageError("check", "--timeout wants whole seconds from 1 to 3600, not '" +
                                           *timeoutText + "'");
        }
        timeoutSeconds = *value;
    }
    const bool apply = TakeFlag(args, "--apply");
    for (const std::string& a : args) {
        if (a.rfind("--", 0) == 0) {
            return UsageError("check", "unknown option " + a);
        }
    }

    ClockSettings settings;
    LoadSettings(context.paths.settingsDirectory, settings, nullptr);
    std::vector<std::string> hosts = args;
    if (hosts.empty()) {
        AppendServerList(SelectedServerList(settings), hosts);
    }
    for (const std::string& host : hosts) {
        const auto address = ParseServerEntry(host, port, error);
        if (!address) {
            std::fprintf(stderr, "%s\n", error.c_str());
            continue;
        }
        const TimeQueryResult result = QueryTimeServer(*address, SystemClock::Instance(),
                                                       std::chrono::seconds(timeoutSeconds));
        if (!result.answered) {
            std::fprintf(stderr, "%s: %s\n", FormatServerAddress(*address).c_str(),
                         result.reason.c_str());
            continue;
        }
        TimeAnswer answer = result.answer;
        answer.server = host;
        Evaluation evaluation;
        if (apply) {
            TerminalMessageBox messages;
            const auto setter = MakeSystemClockSetter();
            evaluation = EvaluateAnswer(
                answer, {settings.checkTimeMarginOfError, settings.checkTimeUpdateOption}, messages,
                *setter);
        }
        std::printf("%s\t%lld\t%.3f\n", host.c_str(),
                    static_cast<long long>(answer.differenceSeconds),
                    static_cast<double>(answer.offsetMilliseconds) / 1000.0);
        SyncSnapshot sync;
        sync.syncStatus = evaluation.status;
        sync.serverName = host;
        sync.differenceSeconds = answer.differenceSeconds;
        StatusBlock block;
        block.Next(sync, false, {});
        std::string status = block.StatusText();
        for (std::size_t at; (at = status.find('\r')) != std::string::npos;) {
            status.erase(at, 1);
        }
        std::printf("%s\n", status.c_str());
        return evaluation.setRefused ? kNotSet : kOk;
    }
    return kFailure;
}

} // namespace

constinit const Command kCheckCommand{
    "check",
    "  check [--port P] [--timeout SECONDS] [--apply] [HOST...]\n"
    "              ask the hosts (default: the configured list) in order until one answers;\n"
    "              prints HOST<TAB>DIFFERENCE<TAB>OFFSET and the status text; --apply\n"
    "              then follows the margin and the update option (exit 2: not set)",
    RunCheck};

} // namespace tarnwick::cli
