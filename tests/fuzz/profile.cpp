// The settings-file text: reading, and a write that must read back and leave every other key
// as it was. Fields: section, key, value, another key, the text.
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "settings/profile_file.h"

using namespace tarnwick;

namespace {

// Names as the reader compares them: blanks around them dropped, ASCII letters in any case.
std::string Folded(std::string_view name) {
    const std::size_t first = name.find_first_not_of(" \t\r\v\f");
    name = first == std::string_view::npos ? "" : name.substr(first);
    name = name.substr(0, name.find_last_not_of(" \t\r\v\f") + 1);
    std::string folded(name);
    for (char& c : folded) {
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return folded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> f = fuzz::Fields(data, size, 5);
    const std::string &section = f[0], &key = f[1], &value = f[2], &other = f[3];
    std::string text = f[4];
    LooksLikeProfileText(text);
    const std::optional<std::string> before = FindProfileValue(text, section, other);
    fuzz::Require(!before || before->size() <= kMaxProfileValueLength, "a read is cut");
    if (!SetProfileValue(text, section, key, value)) {
        return 0;
    }
    fuzz::Require(FindProfileValue(text, section, key) == value, "the value reads back");
    fuzz::Require(HasProfileSection(text, section), "the section is there");
    if (Folded(other) != Folded(key)) {
        fuzz::Require(FindProfileValue(text, section, other) == before, "other keys stay");
    }
    return 0;
}
