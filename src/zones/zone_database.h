// Access to the preset-zone database (SQLite). Statements are accepted in the dialect the
// program has always written (COUNTER, short, char(n), values in double quotes) and
// translated to SQLite in one place. Engine errors never leave this layer: they are shown
// through the message-box interface and turned into results.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tarnwick {

class IMessageBox;

// Blanks are spaces, tabs and line ends; Trim takes them from both ends.
bool IsBlank(char c);
std::string Trim(const std::string& text);

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

// The columns of presetTimeZones in the order the create statement declares them.
const std::vector<std::string>& PresetTimeZoneColumns();

// One field of a recordset, typed as the engine hands it out. Type numbers follow the
// variant numbering the program reports in its "%d ERROR !!!" text.
struct FieldVariant {
    enum Type : int {
        Empty = 0,
        Null = 1,
        Short = 2,
        Long = 3,
        Single = 4,
        Double = 5,
        Text = 8,
        Boolean = 11,
        Byte = 17,
        Binary = 8209, // array of bytes
    };
    int type = Null;
    long long integer = 0;
    double real = 0.0;
    std::string text;
};

// null -> ""; integers -> "%d"; reals -> "%f"; text as is; any other type -> "<type> ERROR !!!".
std::string VariantToText(const FieldVariant& value);

class CZoneDatabase {
public:
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

    // True while a database file is open (Connect succeeded).
    bool IsOpen() const { return m_db != nullptr; }
    // True when the open file could only be opened for reading.
    bool IsReadOnly() const { return m_readOnly; }
    // True when the open file holds the table presetTimeZones. A file without it is opened
    // unchanged; one whose presetTimeZones is a view or anything else is refused by Connect.
    bool HasZoneTable() const { return m_hasZoneTable; }

    // Every statement is stopped after this long (and a result after kMaxRows rows), so no
    // file can stall the clock: a recursive view, a huge table.
    static constexpr std::size_t kMaxRows = 100000;
    void SetQueryTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

    // The dialect translation, exposed for tests.
    static std::string TranslateStatement(const std::string& statement);

    // The program's own bookkeeping statements (the preset update), in SQLite's dialect as
    // written: nothing is translated and nothing is shown. False with error (the engine's
    // text, and for a change that could not be stored, the cause) when one fails. Execute
    // runs one or more statements; Select hands out every row, each field as the text GetField
    // would give (null as empty).
    bool Execute(const std::string& sql, std::string& error);
    bool Select(const std::string& sql, std::vector<std::vector<std::string>>& rows,
                std::string& error);

private:
    // A snapshot of a SELECT: every row read when the statement is opened.
    struct Recordset {
        std::vector<std::string> columns;
        std::vector<std::vector<FieldVariant>> rows;
        std::size_t current = 0;  // row the recordset stands on; rows.size() at the end
        std::size_t farthest = 0; // highest row visited, for the record count
    };

    bool OpenExisting(const std::string& path);
    bool CreateNew(const std::string& path, const std::string& createStatement);
    void ConnectError(const std::string& path, const std::string& engineText);
    void QueryError(const std::string& statement, const std::string& engineText,
                    bool writing = false);
    bool OpenRecordset(sqlite3_stmt* statement, std::string& error);
    void CloseDatabase();
    bool CheckZoneTable(sqlite3* db, const std::string& path);
    void StartTimeLimit();
    std::string InterruptedText() const;
    static int OnProgress(void* self);

    IMessageBox& m_messages;
    std::string m_directory;
    std::string m_baseName;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    bool m_hasZoneTable = false;
    std::chrono::milliseconds m_timeLimit{2000};
    std::chrono::steady_clock::time_point m_deadline;
    std::unique_ptr<Recordset> m_recordset;
    long m_stepCount = 0;
    long m_affected = 0;
    bool m_firstStep = true;
};

// Copies the shipped preset database to target when target does not exist yet. The copy is
// written beside target and linked into place, so target is either absent or complete and an
// existing file is never replaced. Returns false with a message (path and errno text) when the
// copy fails; a missing preset is not an error (returns true, nothing copied).
bool InstallPresetDatabase(const std::string& presetPath, const std::string& targetPath,
                           std::string& error);

// Opens the zone database "timezones" in dataDirectory as every part of the program does:
// the shipped presets copied there first when it has none, then Connect with the create
// statement, then (with updateFromShipped) a newer shipped release merged in
// (zones/preset_update.h).
bool ConnectZoneDatabase(CZoneDatabase& database, const std::string& dataDirectory,
                         IMessageBox& messages, bool updateFromShipped = true);

// Why the database cannot give zones ("the zone database PATH has no table presetTimeZones");
// empty when it is open and holds the table.
std::string ZoneTableProblem(const CZoneDatabase& database);

// "SELECT * from presetTimeZones WHERE timeZoneID=<id>": one zone's row.
std::string SelectZoneStatement(std::int32_t timeZoneID);

// The engine check made at start-up: SQLite opens an in-memory database and runs a statement.
bool IsDatabaseEngineAvailable();

} // namespace tarnwick
