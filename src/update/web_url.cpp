#include "update/web_url.h"

namespace tarnwick {

namespace {

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHex(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The characters a URL may hold unescaped (RFC 3986 unreserved, reserved and '%').
bool IsUrlCharacter(char c) {
    static constexpr std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=%";
    return IsAlpha(c) || IsDigit(c) || kAllowed.find(c) != std::string_view::npos;
}

bool EqualsLower(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c =
            (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] + 32) : text[i];
        if (c != lower[i]) {
            return false;
        }
    }
    return true;
}

bool IsHostName(std::string_view host) {
    if (host.empty()) {
        return false;
    }
    if (host.front() == '[') { // an IPv6 literal
        if (host.size() < 3 || host.back() != ']') {
            return false;
        }
        for (char c : host.substr(1, host.size() - 2)) {
            if (!IsHex(c) && c != ':' && c != '.') {
                return false;
            }
        }
        return true;
    }
    for (char c : host) {
        if (!IsAlpha(c) && !IsDigit(c) && c != '-' && c != '.' && c != '_' && c != '~' &&
            c != '%') {
            return false;
        }
    }
    return true;
}

bool IsPort(std::string_view port) {
    if (port.empty() || port.size() > 5) {
        return false;
    }
    long value = 0;
    for (char c : port) {
        if (!IsDigit(c)) {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

} // namespace

bool IsWebUrl(std::string_view url) {
    if (url.empty() || url.size() > kMaxWebUrlLength) {
        return false;
    }
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (!IsUrlCharacter(url[i])) {
            return false;
        }
        if (url[i] == '%' && (i + 2 >= url.size() || !IsHex(url[i + 1]) || !IsHex(url[i + 2]))) {
            return false;
        }
    }
    // scheme = ALPHA *( ALPHA / DIGIT / "+" / "-" / "." ), ended by the first ':'.
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0 || !IsAlpha(url[0])) {
        return false;
    }
    for (char c : url.substr(0, colon)) {
        if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') {
            return false;
        }
    }
    const std::string_view scheme = url.substr(0, colon);
    if (!EqualsLower(scheme, "http") && !EqualsLower(scheme, "https")) {
        return false;
    }
    std::string_view rest = url.substr(colon + 1);
    if (rest.substr(0, 2) != "//") {
        return false;
    }
    rest.remove_prefix(2);
    const std::string_view authority = rest.substr(0, rest.find_first_of("/?#"));
    if (authority.find('@') != std::string_view::npos) {
        return false; // "http://trusted.example@elsewhere/" hides the real host
    }
    std::string_view host = authority;
    const std::size_t portColon = authority.rfind(':');
    const std::size_t bracket = authority.rfind(']');
    if (portColon != std::string_view::npos &&
        (bracket == std::string_view::npos || portColon > bracket)) {
        if (!IsPort(authority.substr(portColon + 1))) {
            return false;
        }
        host = authority.substr(0, portColon);
    }
    return IsHostName(host);
}

bool IsSiteRoot(std::string_view url) {
    return IsWebUrl(url) && url.find_first_of("?#") == std::string_view::npos;
}

} // namespace tarnwick
