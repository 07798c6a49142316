#include "settings/profile_file.h"

#include <utility>

#include "platform/atomic_file.h"
#include "platform/file_lock.h"

namespace tarnwick {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    const std::size_t first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool NamesMatch(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
    std::size_t start = 0;      // first byte of the line (after a BOM on the first line)
    std::size_t contentEnd = 0; // end of the text, before its line break
    std::size_t end = 0;        // first byte of the next line; contentEnd when none follows
    LineKind kind = LineKind::Other;
    std::string_view name;  // section or key name, trimmed
    std::string_view value; // key value, trimmed
};

// Where the line break that ends a line starts, and its length: CR LF, LF or a lone CR (old Mac
// files, and a CR LF file that lost its last LF). {npos, 0} when the text ends first.
std::pair<std::size_t, std::size_t> FindLineBreak(std::string_view text, std::size_t from) {
    const std::size_t at = text.find_first_of("\r\n", from);
    if (at == std::string_view::npos) {
        return {at, 0};
    }
    return {at, text.substr(at, 2) == "\r\n" ? 2 : 1};
}

// Walks the text line by line, classifying each line as the Windows profile reader does.
class LineReader {
public:
    explicit LineReader(std::string_view text)
        : m_text(text), m_pos(text.substr(0, kUtf8Bom.size()) == kUtf8Bom ? kUtf8Bom.size() : 0) {}

    bool Next(Line& line) {
        if (m_pos >= m_text.size()) {
            return false;
        }
        line = Line{};
        line.start = m_pos;
        const auto [lineBreak, length] = FindLineBreak(m_text, m_pos);
        line.contentEnd = lineBreak == std::string_view::npos ? m_text.size() : lineBreak;
        line.end = line.contentEnd + length;
        m_pos = line.end;
        Classify(line);
        return true;
    }

private:
    void Classify(Line& line) const {
        const std::string_view content =
            Trim(m_text.substr(line.start, line.contentEnd - line.start));
        if (content.empty()) {
            line.kind = LineKind::Blank;
        } else if (content.front() == ';') {
            line.kind = LineKind::Comment;
        } else if (content.front() == '[') {
            const std::size_t close = content.find(']');
            if (close != std::string_view::npos) {
                line.kind = LineKind::Section;
                line.name = Trim(content.substr(1, close - 1));
            }
        } else if (const std::size_t eq = content.find('='); eq != std::string_view::npos) {
            line.kind = LineKind::Key;
            line.name = Trim(content.substr(0, eq));
            line.value = Trim(content.substr(eq + 1));
        }
    }

    std::string_view m_text;
    std::size_t m_pos;
};

std::string Unquoted(std::string_view value, std::size_t maxLength) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, maxLength));
}

void SetError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool CheckNames(std::string_view section, std::string_view key, std::string_view value,
                std::string* error) {
    if (section.empty() || key.empty()) {
        SetError(error, "section and key names must not be empty");
        return false;
    }
    if (section.find(']') != std::string_view::npos || HasLineBreakOrNul(section)) {
        SetError(error,
                 "section name \"" + std::string(section) + "\" must not hold ']' or a line break");
        return false;
    }
    if (key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[' ||
        HasLineBreakOrNul(key)) {
        SetError(error, "key name \"" + std::string(key) +
                            "\" must not hold '=' or a line break, nor begin with ';' or '['");
        return false;
    }
    if (HasLineBreakOrNul(value)) {
        SetError(error, "the value for " + std::string(key) +
                            " must not hold a line break or a NUL character");
        return false;
    }
    if (value.size() > kMaxProfileValueLength) {
        SetError(error, "the value for " + std::string(key) + " is " +
                            std::to_string(value.size()) + " characters long; at most " +
                            std::to_string(kMaxProfileValueLength) + " read back");
        return false;
    }
    return true;
}

// The text to store so that a read gives value back: a read trims blanks and removes one pair
// of matching quotes, so such a value is stored inside double quotes.
std::string StoredForm(std::string_view value) {
    const bool blankAtAnEnd =
        !value.empty() && (kBlanks.find(value.front()) != std::string_view::npos ||
                           kBlanks.find(value.back()) != std::string_view::npos);
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (blankAtAnEnd || quoted) {
        return "\"" + std::string(value) + "\"";
    }
    return std::string(value);
}

// Reads the file for a change: Missing gives empty text; a file that exists but cannot be
// read, or holds no settings, is refused (error set) so that nothing in it is lost.
bool ReadForChange(const std::string& path, std::string& bytes, std::string* error) {
    std::string readError;
    if (ReadWholeFile(path, bytes, &readError) == FileReadStatus::Unreadable) {
        SetError(error, "cannot write " + path + ": cannot read " + readError);
        return false;
    }
    std::string why;
    if (!LooksLikeProfileText(bytes, &why)) {
        SetError(error, "cannot write " + path + ": it does not look like a settings file (" + why +
                            "); it was left as it is");
        return false;
    }
    return true;
}

} // namespace

std::optional<std::string> FindProfileValue(std::string_view text, std::string_view section,
                                            std::string_view key, std::size_t maxLength) {
    section = Trim(section);
    key = Trim(key);
    LineReader reader(text);
    Line line;
    bool inSection = false;
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section) {
            if (inSection) {
                return std::nullopt; // only the first section of that name counts
            }
            inSection = NamesMatch(line.name, section);
        } else if (inSection && line.kind == LineKind::Key && NamesMatch(line.name, key)) {
            return Unquoted(line.value, maxLength);
        }
    }
    return std::nullopt;
}

bool SetProfileValue(std::string& text, std::string_view section, std::string_view key,
                     std::string_view value, std::string* error) {
    section = Trim(section);
    key = Trim(key);
    if (!CheckNames(section, key, value, error)) {
        return false;
    }
    const std::string stored = StoredForm(value);
    // New lines take the file's own line break: that of its first line.
    const auto [firstBreak, firstLength] = FindLineBreak(text, 0);
    const std::string eol =
        firstBreak == std::string::npos ? "\n" : text.substr(firstBreak, firstLength);

    LineReader reader(text);
    Line line;
    bool inSection = false;
    std::optional<Line> anchor; // the section's header, then its last key line
    std::optional<Line> last;   // the last line of the text
    while (reader.Next(line)) {
        last = line;
        if (line.kind == LineKind::Section) {
            if (inSection) {
                break;
            }
            inSection = NamesMatch(line.name, section);
            if (inSection) {
                anchor = line;
            }
        } else if (inSection && line.kind == LineKind::Key) {
            if (NamesMatch(line.name, key)) {
                // Rewrite in place, keeping the key's spelling and the line's ending.
                const std::string replacement = std::string(line.name) + "=" + stored;
                text.replace(line.start, line.contentEnd - line.start, replacement);
                return true;
            }
            anchor = line;
        }
    }
    const std::string entry = std::string(key) + "=" + stored;
    if (anchor) {
        // Before the anchor's own line break, which then ends the new line: a last line without
        // a break, or ending in a lone CR, stays the last line's ending.
        text.insert(anchor->contentEnd, eol + entry);
        return true;
    }
    if (last) {
        if (last->end == last->contentEnd) {
            text += eol;
        }
        if (last->kind != LineKind::Blank) {
            text += eol; // one blank line between sections
        }
    }
    text += "[" + std::string(section) + "]" + eol + entry + eol;
    return true;
}

ProfileLookup ReadProfileValue(const std::string& path, std::string_view section,
                               std::string_view key, std::string& value, std::string* error) {
    std::string bytes;
    switch (ReadWholeFile(path, bytes, error)) {
    case FileReadStatus::Missing:
        return ProfileLookup::Absent;
    case FileReadStatus::Unreadable:
        return ProfileLookup::Unreadable;
    case FileReadStatus::Read:
        break;
    }
    std::optional<std::string> found = FindProfileValue(bytes, section, key);
    if (!found) {
        return ProfileLookup::Absent;
    }
    value = std::move(*found);
    return ProfileLookup::Found;
}

std::string GetProfileString(const std::string& path, std::string_view section,
                             std::string_view key, std::string_view defaultValue) {
    std::string value;
    if (ReadProfileValue(path, section, key, value) == ProfileLookup::Found) {
        return value;
    }
    return std::string(defaultValue.substr(0, kMaxProfileValueLength));
}

bool HasProfileSection(std::string_view text, std::string_view section) {
    LineReader reader(text);
    Line line;
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section && NamesMatch(line.name, Trim(section))) {
            return true;
        }
    }
    return false;
}

bool LooksLikeProfileText(std::string_view text, std::string* why) {
    if (text.find('\0') != std::string_view::npos) {
        SetError(why, "it holds NUL bytes");
        return false;
    }
    LineReader reader(text);
    Line line;
    bool anyContent = false;
    while (reader.Next(line)) {
        if (line.kind == LineKind::Section) {
            return true;
        }
        anyContent = anyContent || (line.kind != LineKind::Blank && line.kind != LineKind::Comment);
    }
    if (anyContent) {
        SetError(why, "no [SECTION] line");
        return false;
    }
    return true; // empty, or only blanks and comments
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value, std::string* error) {
    return WriteProfileStrings(path, {{std::string(section), std::string(key), std::string(value)}},
                               false, error);
}

bool WriteProfileStrings(const std::string& path, const std::vector<ProfileEntry>& entries,
                         bool onlyWhereAbsent, std::string* error) {
    // Checked before the lock so that a value that cannot be stored touches nothing.
    for (const ProfileEntry& e : entries) {
        std::string scratch;
        std::string reason;
        if (!SetProfileValue(scratch, e.section, e.key, e.value, &reason)) {
            SetError(error, "cannot write " + path + ": " + reason);
            return false;
        }
    }
    // Another writer (the clock, a script) must not slip in between our read and our write.
    const ScopedFileLock lock(path);
    if (!lock.Locked()) {
        SetError(error, lock.Error());
        return false;
    }
    std::string bytes;
    if (!ReadForChange(path, bytes, error)) {
        return false;
    }
    const std::string before = bytes;
    for (const ProfileEntry& e : entries) {
        if (onlyWhereAbsent && FindProfileValue(bytes, e.section, e.key)) {
            continue;
        }
        std::string reason;
        if (!SetProfileValue(bytes, e.section, e.key, e.value, &reason)) {
            SetError(error, "cannot write " + path + ": " + reason);
            return false;
        }
    }
    if (onlyWhereAbsent && bytes == before) {
        return true; // someone else added them meanwhile
    }
    return WriteFileAtomically(path, bytes, error);
}

} // namespace tarnwick
