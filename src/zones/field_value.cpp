#include <climits>
#include <cstdio>

#include "zones/zone_database.h"

namespace tarnwick {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first])) {
        ++first;
    }
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

CFieldValue CFieldValue::FromInt(int value) {
    return CFieldValue(std::to_string(value));
}

CFieldValue CFieldValue::FromDouble(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return CFieldValue(buffer);
}

// As "%d" reads the prefix: an optional minus, then at least one digit. Values beyond the
// int range are clamped rather than left to overflow.
int CFieldValue::ToInt() const {
    const std::string allowed = "-1234567890.";
    std::size_t end = 0;
    while (end < m_text.size() && allowed.find(m_text[end]) != std::string::npos) {
        ++end;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < end && m_text[i] == '-') {
        negative = true;
        ++i;
    }
    if (i >= end || m_text[i] < '0' || m_text[i] > '9') {
        return 0;
    }
    long long value = 0;
    for (; i < end && m_text[i] >= '0' && m_text[i] <= '9'; ++i) {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (m_text[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

void CFieldValue::Split(const std::string& delimiter, std::vector<CFieldValue>& out) const {
    out.clear();
    if (m_text.empty()) {
        return;
    }
    if (delimiter.empty()) {
        out.emplace_back(Trim(m_text));
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = m_text.find(delimiter, start);
        if (at == std::string::npos) {
            break;
        }
        out.emplace_back(Trim(m_text.substr(start, at - start)));
        start = at + delimiter.size();
    }
    if (start < m_text.size()) {
        out.emplace_back(Trim(m_text.substr(start)));
    }
}

void CInsertStatement::Add(const std::string& column, const std::string& valueText) {
    m_columns.push_back(column);
    m_values.push_back(valueText);
}

std::string CInsertStatement::BuildInsert() const {
    std::string text = "INSERT INTO " + m_table + " " + " (";
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        text += (i ? "," : "") + m_columns[i];
    }
    text += ") VALUES (";
    for (std::size_t i = 0; i < m_values.size(); ++i) {
        text += (i ? "," : "") + m_values[i];
    }
    text += ") ";
    return text;
}

} // namespace tarnwick
