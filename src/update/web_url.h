// Which addresses the program may hand to a browser: http and https URLs only, checked by
// parsing them, since an address from the update site's file is untrusted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr std::size_t kMaxWebUrlLength = 2048;

// An absolute http or https URL ("http://host[:port][/path][?query][#fragment]"): the scheme
// parsed up to its ':' and compared without regard to case, an authority with a non-empty
// host and no user name, only printable ASCII, and every '%' followed by two hex digits.
// "javascript:", "file:", "HTTP:/x", "http://user@host" and anything with a blank or a
// control character are refused.
bool IsWebUrl(std::string_view url);

// A web URL without a query or fragment, usable as the root of a site.
bool IsSiteRoot(std::string_view url);

} // namespace tarnwick
