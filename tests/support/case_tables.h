// Case tables kept as text under tests/data/: one case a line, fields split at '|' and
// trimmed, '#' lines and blank lines skipped. In a field \n \r \t \0 \s (a blank) \| \\ and \xHH
// stand for that byte.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_data.h"

namespace tarnwick::test {

struct CaseRow {
    std::string line; // as written, for failure messages
    std::vector<std::string> fields;
    const std::string& operator[](std::size_t i) const { return fields.at(i); }
    int Int(std::size_t i) const { return std::stoi(fields.at(i)); }
    bool Flag(std::size_t i) const { return fields.at(i) == "1"; }
    // The runs of digits in a field: "2026-03-05 12:00" gives 2026 3 5 12 0.
    std::vector<int> Numbers(std::size_t i) const {
        std::string text = fields.at(i);
        for (char& ch : text) {
            ch = ch >= '0' && ch <= '9' ? ch : ' ';
        }
        std::vector<int> numbers;
        std::istringstream in(text);
        for (int n = 0; in >> n;) {
            numbers.push_back(n);
        }
        return numbers;
    }
    std::vector<std::string> Words(std::size_t i) const {
        std::vector<std::string> words;
        std::istringstream in(fields.at(i));
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        return words;
    }
};

inline std::ostream& operator<<(std::ostream& out, const CaseRow& row) {
    return out << row.line;
}

inline std::string UnescapeCaseField(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            const std::string from = "nrt0s", to("\n\r\t\0 ", 5);
            const std::size_t at = from.find(c);
            out += at == std::string::npos ? c : to[at];
        }
    }
    return out;
}

// The rows of tests/data/<name>, each of `width` fields. A missing file or a row of
// another width fails the calling test: an empty table would test nothing.
inline std::vector<CaseRow> ReadCaseTable(const std::string& name, std::size_t width) {
    std::ifstream in(TestDataPath(name));
    std::vector<CaseRow> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        CaseRow row{line, {}};
        std::string field;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i == line.size() || line[i] == '|') {
                const std::size_t first = field.find_first_not_of(" \t");
                const std::size_t last = field.find_last_not_of(" \t");
                row.fields.push_back(UnescapeCaseField(
                    first == std::string::npos ? "" : field.substr(first, last - first + 1)));
                field.clear();
            } else {
                field += line[i];
                if (line[i] == '\\' && i + 1 < line.size()) {
                    field += line[++i];
                }
            }
        }
        EXPECT_EQ(row.fields.size(), width) << name << ": " << line;
        if (row.fields.size() == width) {
            rows.push_back(std::move(row));
        }
    }
    EXPECT_FALSE(rows.empty()) << "no cases in " << TestDataPath(name);
    return rows;
}

} // namespace tarnwick::test
