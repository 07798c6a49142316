#include "settings/settings_file.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <system_error>

#include "settings/profile_file.h"

namespace tarnwick {

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool CSettingsFile::ParseLeadingInt(const std::string& text, int& out) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return false;
    }
    // Saturate rather than overflow: a huge number in the file reads as INT_MAX or INT_MIN.
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= std::int64_t{INT_MAX} + 1) {
            magnitude = magnitude * 10 + (text[i] - '0');
        }
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    out = static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
    return true;
}

bool CSettingsFile::ParseLeadingDouble(const std::string& text, double& out) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    if (i + 1 < text.size() && text[i] == '+' && text[i + 1] != '-') {
        ++i; // from_chars takes no '+'
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (ec != std::errc()) {
        return false;
    }
    out = value;
    return true;
}

std::string CSettingsFile::FormatDouble(double value) {
    char buffer[400]; // the widest double in fixed notation with six decimals fits
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    if (ec != std::errc()) {
        return "0.000000";
    }
    return std::string(buffer, end);
}

bool CSettingsFile::ReadString(std::string path, std::string section, std::string key,
                               std::string& out, std::string defaultValue) {
    std::string value;
    if (ReadProfileValue(path, section, key, value) == ProfileLookup::Found) {
        // The key is in the file already: writing the same value back would change nothing
        // a reader sees, but would cut a value longer than a read returns.
        out = std::move(value);
        return true;
    }
    out = defaultValue.substr(0, kMaxProfileValueLength);
    WriteString(std::move(path), std::move(section), std::move(key), out);
    return true;
}

bool CSettingsFile::ReadInt(std::string path, std::string section, std::string key, int& out,
                            int defaultValue) {
    std::string text;
    ReadString(std::move(path), std::move(section), std::move(key), text,
               std::to_string(defaultValue));
    ParseLeadingInt(text, out);
    return true;
}

bool CSettingsFile::ReadBool(std::string path, std::string section, std::string key, bool& out,
                             bool defaultValue) {
    int value = 0;
    ReadInt(std::move(path), std::move(section), std::move(key), value, defaultValue ? 1 : 0);
    out = value != 0;
    return true;
}

bool CSettingsFile::ReadDouble(std::string path, std::string section, std::string key, double& out,
                               double defaultValue) {
    std::string text;
    ReadString(std::move(path), std::move(section), std::move(key), text,
               FormatDouble(defaultValue));
    ParseLeadingDouble(text, out);
    return true;
}

bool CSettingsFile::WriteString(std::string path, std::string section, std::string key,
                                std::string value) {
    std::string error;
    if (!WriteProfileString(path, section, key, value, &error)) {
        m_lastError = error;
        return false;
    }
    return true;
}

bool CSettingsFile::WriteInt(std::string path, std::string section, std::string key, int value) {
    return WriteString(std::move(path), std::move(section), std::move(key), std::to_string(value));
}

bool CSettingsFile::WriteBool(std::string path, std::string section, std::string key, bool value) {
    return WriteInt(std::move(path), std::move(section), std::move(key), value ? 1 : 0);
}

bool CSettingsFile::WriteDouble(std::string path, std::string section, std::string key,
                                double value) {
    return WriteString(std::move(path), std::move(section), std::move(key), FormatDouble(value));
}

} // namespace tarnwick
