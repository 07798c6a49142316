#include "sync/time_protocol.h"

#include <cstdlib>
#include <cstring>

namespace tarnwick {

namespace {

constexpr std::int64_t kEra = 1LL << 32;

constexpr int MonthOf(const char* date) {
    constexpr const char* kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int m = 0; m < 12; ++m) {
        if (kMonths[m * 3] == date[0] && kMonths[m * 3 + 1] == date[1] &&
            kMonths[m * 3 + 2] == date[2]) {
            return m + 1;
        }
    }
    return 1;
}

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's days_from_civil).
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// __DATE__ is "Mmm dd yyyy" (the day padded with a blank).
constexpr std::int64_t CompileDateSeconds(const char* date) {
    const int day = (date[4] == ' ' ? 0 : date[4] - '0') * 10 + (date[5] - '0');
    const int year =
        (date[7] - '0') * 1000 + (date[8] - '0') * 100 + (date[9] - '0') * 10 + (date[10] - '0');
    return DaysFromCivil(year, MonthOf(date), day) * 86400;
}

#ifdef TARNWICK_SOURCE_DATE_EPOCH // a reproducible build: the day of SOURCE_DATE_EPOCH
constexpr std::int64_t kBuildDate = std::int64_t{TARNWICK_SOURCE_DATE_EPOCH} / 86400 * 86400;
#else
constexpr std::int64_t kBuildDate = CompileDateSeconds(__DATE__);
#endif
static_assert(kBuildDate > 1700000000, "the compile date should be after 2023");

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& piece) {
    std::size_t begin = 0;
    std::size_t end = piece.size();
    while (begin < end && IsBlank(piece[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(piece[end - 1])) {
        --end;
    }
    return piece.substr(begin, end - begin);
}

bool ParsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long value = std::strtol(text.c_str(), nullptr, 10);
    if (value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

} // namespace

std::int64_t DecodeTimeProtocolValue(std::uint32_t value) {
    const std::int64_t v = value;
    return v >= kSeconds1900To1970 ? v - kSeconds1900To1970 : v + kEra - kSeconds1900To1970;
}

std::uint32_t EncodeTimeProtocolValue(std::int64_t unixSeconds) {
    const std::int64_t since1900 = unixSeconds + kSeconds1900To1970;
    return static_cast<std::uint32_t>(((since1900 % kEra) + kEra) % kEra);
}

std::optional<std::uint32_t> ReadTimeProtocolValue(const std::uint8_t* bytes, std::size_t count) {
    if (count < 4) {
        return std::nullopt;
    }
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

std::int64_t BuildDateUnixSeconds() {
    return kBuildDate;
}

std::optional<ServerAddress> ParseServerEntry(const std::string& entry, std::uint16_t defaultPort,
                                              std::string& error) {
    const std::string text = Trim(entry);
    ServerAddress address;
    address.port = defaultPort;
    if (text.empty()) {
        error = "empty server name";
        return std::nullopt;
    }
    std::string portText;
    bool hasPort = false;
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close == 1) {
            error = "'" + text + "': an IPv6 address wants [address]:port";
            return std::nullopt;
        }
        address.host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') {
                error = "'" + text + "': an IPv6 address wants [address]:port";
                return std::nullopt;
            }
            portText = text.substr(close + 2);
            hasPort = true;
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            address.host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            hasPort = true;
        } else {
            address.host = text; // a name, an IPv4 address or a bare IPv6 address
        }
    }
    if (address.host.empty()) {
        error = "'" + text + "': no host name";
        return std::nullopt;
    }
    // No name or address holds a bracket, a blank or a control character; such a "host" could
    // not be written back into a list, nor shown as itself in a message.
    for (const char c : address.host) {
        if (c == '[' || c == ']' || static_cast<unsigned char>(c) <= ' ' || c == '\x7f') {
            error = "'" + text + "': '" + address.host + "' is not a host name or address";
            return std::nullopt;
        }
    }
    if (hasPort && !ParsePort(portText, address.port)) {
        error = "'" + text + "': the port must be a number from 1 to 65535";
        return std::nullopt;
    }
    return address;
}

std::string FormatServerAddress(const ServerAddress& address) {
    const bool v6 = address.host.find(':') != std::string::npos;
    return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

std::string ServerListLengthError(const std::string& list) {
    if (list.size() <= kMaxServerListLength) {
        return {};
    }
    return "The time server list is " + std::to_string(list.size()) +
           " characters long, and at most " + std::to_string(kMaxServerListLength) +
           " are kept. Shorten it in the configuration; until then no server is asked.";
}

void AppendServerList(const std::string& text, std::vector<std::string>& servers) {
    std::string piece;
    for (char c : text) {
        if (c == ',') {
            servers.push_back(Trim(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.empty()) {
        servers.push_back(Trim(piece));
    }
}

} // namespace tarnwick
