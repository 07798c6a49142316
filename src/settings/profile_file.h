// Profile-string files ("[SECTION]" lines followed by "KEY=value" lines), read and written with
// the rules of the Windows profile functions so that files written by the Windows version of
// the clock read the same here:
// - section and key names match case-insensitively (ASCII letters only); the first matching
//   section, and the first matching key in it, win;
// - blanks around names and values are ignored; a value enclosed in a matching pair of single
//   or double quotes is returned without them; a read returns at most 1023 characters;
// - comment lines (';') and lines this code does not understand are kept as they are;
// - an existing key is rewritten in place, a new key goes after the last key line of its
//   section, a new section at the end of the file; a missing file is created on first write.
// - a line ends at CR LF, LF or a lone CR (old Mac files, or a CR LF file that lost its last LF).
// Bytes are passed through untouched (Latin-1 files stay Latin-1), a file keeps its line
// endings (those of its first line; new files use LF) and a leading UTF-8 byte-order mark.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// Longest value a read returns, in bytes (the Windows read buffer holds 1024 with its NUL).
inline constexpr std::size_t kMaxProfileValueLength = 1023;

// ---- On text held in memory -------------------------------------------------------------

// The value of key in section, quotes removed and cut to maxLength; nullopt when the section
// or the key is absent.
std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key,
                                            std::size_t maxLength = kMaxProfileValueLength);

// Stores value under section/key in text, inside double quotes when it has blanks at an end or
// is itself enclosed in quotes, so that a read gives it back unchanged. Fails (text unchanged,
// error set) when a name or the value cannot be stored so that it reads back: an empty name,
// a section holding ']', a key holding '=' or beginning with ';' or '[', a line break or NUL
// byte anywhere, or a value longer than kMaxProfileValueLength.
bool SetProfileValue(std::string& text, std::string_view section, std::string_view key,
                     std::string_view value, std::string* error = nullptr);

// True when text has a section of that name.
bool HasProfileSection(std::string_view text, std::string_view section);

// True when text can be taken for a settings file: empty, only blanks and comments, or holding
// a "[SECTION]" line, and no NUL byte. why (when given) says what is wrong otherwise.
bool LooksLikeProfileText(std::string_view text, std::string* why = nullptr);

// ---- On files -----------------------------------------------------------------------------

enum class ProfileLookup {
    Found,      // value holds the key's value
    Absent,     // no such file, section or key
    Unreadable, // the file exists but cannot be read; error says why
};

ProfileLookup ReadProfileValue(const std::string& path, std::string_view section,
                               std::string_view key, std::string& value,
                               std::string* error = nullptr);

// GetPrivateProfileStringA: the stored value, or defaultValue when it is absent or the file
// cannot be read; at most kMaxProfileValueLength characters either way.
std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue);

// WritePrivateProfileStringA with a value: updates the file atomically, holding the file's
// lock (platform/file_lock.h) from the read to the write so that parallel writers, in this
// process or others, all land. On failure the file is left as it was and error says why,
// with the path (e.g. "cannot write /x/ClockInfo.dat: cannot create a temporary file in /x:
// Permission denied"). A file that exists but cannot be read, or does not look like a
// settings file (LooksLikeProfileText), is never written, since what it holds would be lost.
bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error = nullptr);

struct ProfileEntry {
    std::string section;
    std::string key;
    std::string value;
};

// Several values in one locked read and one write; with onlyWhereAbsent, only the keys still
// absent when the lock is held are added (and nothing is written when none is). All or none
// land.
bool WriteProfileStrings(const std::string& path, const std::vector<ProfileEntry>& entries,
                         bool onlyWhereAbsent, std::string* error = nullptr);

} // namespace tarnwick
