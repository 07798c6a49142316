#include "platform/network_routes.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace tarnwick {

namespace {

constexpr std::uint32_t kRouteUp = 0x0001;     // RTF_UP
constexpr std::uint32_t kRouteReject = 0x0200; // RTF_REJECT: an unreachable route
constexpr std::uint32_t kInterfaceUp = 0x1;    // IFF_UP

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
            ++pos;
        }
        if (pos > start) {
            fields.push_back(line.substr(start, pos - start));
        }
    }
    return fields;
}

template <typename Visit> void ForEachLine(std::string_view text, Visit visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        visit(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
}

// A whole field of hexadecimal digits, at most 8 of them; false for anything else.
bool ParseHex32(std::string_view field, std::uint32_t& value) {
    if (field.size() > 2 && field[0] == '0' && (field[1] == 'x' || field[1] == 'X')) {
        field.remove_prefix(2);
    }
    if (field.empty() || field.size() > 8) {
        return false;
    }
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    return error == std::errc() && end == field.data() + field.size();
}

bool IsAllZeroHex(std::string_view field, std::size_t digits) {
    return field.size() == digits &&
           std::all_of(field.begin(), field.end(), [](char c) { return c == '0'; });
}

void AddOnce(std::vector<std::string>& names, std::string_view name) {
    if (std::find(names.begin(), names.end(), name) == names.end()) {
        names.emplace_back(name);
    }
}

bool IsUsableDefault(std::uint32_t flags, std::string_view interface) {
    return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0 && interface != "lo" &&
           IsSafeInterfaceName(interface);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t' ||
                             text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::vector<std::string> ParseIpv4DefaultRouteInterfaces(std::string_view procNetRoute) {
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT; the first line
    // is that header, which fails the hexadecimal test below like any malformed line.
    std::vector<std::string> names;
    ForEachLine(procNetRoute, [&](std::string_view line) {
        const std::vector<std::string_view> f = SplitFields(line);
        std::uint32_t destination = 0;
        std::uint32_t flags = 0;
        std::uint32_t mask = 0;
        if (f.size() < 8 || !ParseHex32(f[1], destination) || !ParseHex32(f[3], flags) ||
            !ParseHex32(f[7], mask)) {
            return;
        }
        if (destination == 0 && mask == 0 && IsUsableDefault(flags, f[0])) {
            AddOnce(names, f[0]);
        }
    });
    return names;
}

std::vector<std::string> ParseIpv6DefaultRouteInterfaces(std::string_view procNetIpv6Route) {
    // destination prefix-length source source-length next-hop metric refcount use flags device;
    // addresses are 32 hexadecimal digits, the rest 2 or 8.
    std::vector<std::string> names;
    ForEachLine(procNetIpv6Route, [&](std::string_view line) {
        const std::vector<std::string_view> f = SplitFields(line);
        std::uint32_t prefixLength = 0;
        std::uint32_t flags = 0;
        if (f.size() != 10 || !IsAllZeroHex(f[0], 32) || f[1].size() != 2 ||
            !ParseHex32(f[1], prefixLength) || f[8].size() != 8 || !ParseHex32(f[8], flags)) {
            return;
        }
        if (prefixLength == 0 && IsUsableDefault(flags, f[9])) {
            AddOnce(names, f[9]);
        }
    });
    return names;
}

bool ParseInterfaceUp(std::string_view sysFlags, std::string_view sysOperstate) {
    std::uint32_t flags = 0;
    if (!ParseHex32(Trim(sysFlags), flags) || (flags & kInterfaceUp) == 0) {
        return false;
    }
    const std::string_view state = Trim(sysOperstate);
    return state != "down" && state != "lowerlayerdown" && state != "notpresent" &&
           state != "dormant";
}

bool IsSafeInterfaceName(std::string_view name) {
    // The kernel allows up to 15 bytes and neither '/' nor white space; "." and ".." would
    // leave the directory.
    constexpr std::string_view kForbidden("/ \t\n\0", 5);
    return !name.empty() && name.size() <= 15 && name != "." && name != ".." &&
           name.find_first_of(kForbidden) == std::string_view::npos;
}

} // namespace tarnwick
