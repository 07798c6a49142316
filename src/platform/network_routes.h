// Reading the kernel's routing tables and interface state as text, so that the network-link
// answer is decided by pure functions that tests feed with fixture files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Interfaces that carry a usable IPv4 default route in the text of /proc/net/route: destination
// 00000000, mask 00000000, RTF_UP set and RTF_REJECT clear. Loopback ("lo") is left out. Names
// in table order, without repeats; malformed lines are skipped.
std::vector<std::string> ParseIpv4DefaultRouteInterfaces(std::string_view procNetRoute);

// The same for /proc/net/ipv6_route: destination ::/0, RTF_UP set, and neither RTF_REJECT nor
// the interface "lo" (the kernel's unreachable default lives there).
std::vector<std::string> ParseIpv6DefaultRouteInterfaces(std::string_view procNetIpv6Route);

// Whether an interface is up from /sys/class/net/IF/flags (hexadecimal, "0x1003"; IFF_UP is
// bit 0) and /sys/class/net/IF/operstate ("up", "down", "unknown", ...). Unparsable flags:
// down. An empty operstate (file unreadable) decides nothing; "down", "lowerlayerdown",
// "notpresent" and "dormant" mean no carrier.
bool ParseInterfaceUp(std::string_view sysFlags, std::string_view sysOperstate);

// Whether a default route of either family runs over an interface that is up, reading
// ROOT/proc/net/route, ROOT/proc/net/ipv6_route and ROOT/sys/class/net/IF/{flags,operstate}
// (the system's link uses an empty root). A file that cannot be read adds no route.
bool ReadNetworkConnected(const std::string& root);

// Whether name can be used as one path component under /sys/class/net.
bool IsSafeInterfaceName(std::string_view name);

} // namespace tarnwick
