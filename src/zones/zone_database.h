// Access to the preset-zone database (SQLite). Statements are accepted in the dialect the
// program has always written (COUNTER, short, char(n), values in double quotes) and
// translated to SQLite in one place. Engine errors never leave this layer: they are shown
// through the message-box interface and turned into results.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tarnwick {

class IMessageBox;

// A field value handed out as text, with the conversions the program uses.
class CFieldValue {
public:
    CFieldValue() = default;
    explicit CFieldValue(std::string text) : m_text(std::move(text)) {}
    static CFieldValue FromInt(int value);       // "%d"
    static CFieldValue FromDouble(double value); // "%f"

    const std::string& Text() const { return m_text; }
    // The longest prefix made of "-1234567890." parsed with "%d"; 0 when it does not parse.
    int ToInt() const;
    // Cuts at each delimiter, trims blanks from each piece; nothing after the last delimiter
    // gives no piece; an empty text gives an empty list.
    void Split(const std::string& delimiter, std::vector<CFieldValue>& out) const;

private:
    std::string m_text;
};

class CInsertStatement {
public:
    explicit CInsertStatement(std::string table) : m_table(std::move(table)) {}
    void Add(const std::string& column, const std::string& valueText);
    // "INSERT INTO T  (a,b) VALUES (1,'x') " (two blanks before the parenthesis, one at the end)
    std::string BuildInsert() const;

private:
    std::string m_table;
    std::vector<std::string> m_columns;
    std::vector<std::string> m_values;
};

class CZoneDatabase {
public:
    static const char* const kCreateStatement; // the presetTimeZones create statement

    explicit CZoneDatabase(IMessageBox& messages);
    ~CZoneDatabase();
    CZoneDatabase(const CZoneDatabase&) = delete;
    CZoneDatabase& operator=(const CZoneDatabase&) = delete;

    // The file is directory + "/" + baseName + ".mdb".
    void SetLocation(const std::string& directory, const std::string& baseName);
    std::string FilePath() const;

    bool Connect(const std::string& createStatement);
    bool Query(const std::string& statement);
    bool NextRecord();
    CFieldValue GetField(const std::string& column);
    long GetCount();
    void CloseRecordset();

    // The dialect translation, exposed for tests.
    static std::string TranslateStatement(const std::string& statement);

private:
    IMessageBox& m_messages;
    std::string m_directory;
    std::string m_baseName;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_recordset = nullptr;
    long m_stepCount = 0;
    long m_affected = 0;
    bool m_firstStep = true;
    bool m_atEnd = false;
};

// The engine check made at start-up: SQLite opens an in-memory database and runs a statement.
bool IsDatabaseEngineAvailable();

} // namespace tarnwick
