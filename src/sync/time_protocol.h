// The Time Protocol's reply and the server list: pure functions, no sockets.
//   4 bytes, most significant first: seconds since 1900-01-01 00:00:00 UTC, in 2^32-second eras.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

inline constexpr std::uint16_t kTimeProtocolPort = 37;
inline constexpr std::int64_t kSeconds1900To1970 = 2208988800LL;

// Seconds since 1970 (UTC) of a 32-bit reply value: values from 2208988800 upward are
// 1970-2036, values below it the next era, 2036-02-07 06:28:16 UTC to 2106.
std::int64_t DecodeTimeProtocolValue(std::uint32_t value);
// The reply a server sends for unixSeconds (the inverse, modulo 2^32).
std::uint32_t EncodeTimeProtocolValue(std::int64_t unixSeconds);
// The first four bytes, most significant first; nullopt for fewer than four.
std::optional<std::uint32_t> ReadTimeProtocolValue(const std::uint8_t* bytes, std::size_t count);

// 00:00:00 UTC of the day this program was compiled (of SOURCE_DATE_EPOCH in a reproducible
// build), seconds since 1970. A server that says it is earlier than that is wrong.
std::int64_t BuildDateUnixSeconds();

// One entry of a server list: "host", "1.2.3.4", "host:port", "[v6]:port" or a bare IPv6
// address; the port is defaultPort when none is given.
struct ServerAddress {
    std::string host;
    std::uint16_t port = kTimeProtocolPort;
};
// nullopt and error set for an empty entry, an unclosed '[' or a port outside [1, 65535].
std::optional<ServerAddress> ParseServerEntry(const std::string& entry, std::uint16_t defaultPort,
                                              std::string& error);
// "host:port", "[v6]:port": how messages name a server.
std::string FormatServerAddress(const ServerAddress& address);

// The longest server list the settings file holds (its values are read to 1023 characters).
inline constexpr std::size_t kMaxServerListLength = 1023;
// Empty, or why a list longer than that is refused: one cut short would name other hosts.
std::string ServerListLengthError(const std::string& list);

// Splits at commas and trims blanks (space, tab, CR, LF); a blank piece gives an empty entry,
// an empty last piece (the text ends with a comma) none. Appends to servers.
void AppendServerList(const std::string& text, std::vector<std::string>& servers);

} // namespace tarnwick
