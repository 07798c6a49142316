#include "zones/zone_database.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/message_box.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/storage_error.h"
#include "zones/zone_columns.h"

namespace tarnwick {

namespace {

constexpr int kBusyTimeoutMs = 1000; // another connection (the editor's, another clock) may write
constexpr std::size_t kEngineTextLimit = 255;

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

std::string EngineText(sqlite3* db) {
    std::string text = db ? sqlite3_errmsg(db) : "out of memory";
    if (text.size() > kEngineTextLimit) {
        text.resize(kEngineTextLimit);
    }
    return text;
}

// Why a change to the file at path could not be stored. The engine's own words ("unable to
// open database file", "attempt to write a readonly database") point at the file when the
// disk is full or the folder may not be written, so the cause is added to them.
std::string StorageFailureText(sqlite3* db, const std::string& path) {
    std::string text = EngineText(db);
    const int code = sqlite3_extended_errcode(db);
    const int system = sqlite3_system_errno(db);
    std::string reason;
    if ((code & 0xff) == SQLITE_FULL || system == ENOSPC || system == EDQUOT) {
        reason = StorageErrorText(system == EDQUOT ? EDQUOT : ENOSPC, DirectoryOf(path));
    } else if ((code & 0xff) == SQLITE_READONLY || (code & 0xff) == SQLITE_CANTOPEN ||
               (code & 0xff) == SQLITE_IOERR) {
        reason = UnwritableReason(path);
        if (reason.empty() && system != 0) {
            reason = StorageErrorText(system, DirectoryOf(path));
        }
    }
    return reason.empty() ? text : text + ": " + reason;
}

// A statement is a query when one of the three spellings of SELECT stands in it outside a
// quoted value: a zone named "Selected Area" must still be saved by an UPDATE.
bool ContainsSelect(const std::string& statement) {
    std::string unquoted;
    unquoted.reserve(statement.size());
    char quote = 0;
    for (std::size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (quote == 0) {
            if (c == '"' || c == '\'') {
                quote = c;
                unquoted += ' ';
            } else {
                unquoted += c;
            }
        } else if (c == quote) {
            if (i + 1 < statement.size() && statement[i + 1] == quote) {
                ++i; // a doubled quote stands for one inside the value
            } else {
                quote = 0;
            }
        }
    }
    return unquoted.find("SELECT") != std::string::npos ||
           unquoted.find("select") != std::string::npos ||
           unquoted.find("Select") != std::string::npos;
}

bool OnlyBlanksOrSemicolons(const char* text) {
    for (; text && *text; ++text) {
        if (!IsBlank(*text) && *text != ';') {
            return false;
        }
    }
    return true;
}

// The unquoted parts of a statement: a COUNTER column with the primary-key constraint that
// follows it becomes SQLite's never-reused automatic key.
std::string TranslateUnquoted(const std::string& text) {
    static const std::regex counterWithKey(
        R"((\w+)\s+COUNTER\s*,\s*CONSTRAINT\s+\w+\s+PRIMARY\s+KEY\s*\(\s*\1\s*\))",
        std::regex::icase);
    static const std::regex bareCounter(R"(\bCOUNTER\b)", std::regex::icase);
    std::string out =
        std::regex_replace(text, counterWithKey, "$1 INTEGER PRIMARY KEY AUTOINCREMENT");
    return std::regex_replace(out, bareCounter, "INTEGER PRIMARY KEY AUTOINCREMENT");
}

FieldVariant ReadColumn(sqlite3_stmt* statement, int column) {
    FieldVariant value;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        value.type = FieldVariant::Null;
        break;
    case SQLITE_INTEGER:
        value.type = FieldVariant::Long;
        value.integer = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        value.type = FieldVariant::Double;
        value.real = sqlite3_column_double(statement, column);
        break;
    case SQLITE_TEXT: {
        value.type = FieldVariant::Text;
        const unsigned char* text = sqlite3_column_text(statement, column);
        value.text.assign(text ? reinterpret_cast<const char*>(text) : "",
                          static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
        break;
    }
    default:
        value.type = FieldVariant::Binary;
        break;
    }
    return value;
}

} // namespace

// The statement that creates presetTimeZones, as the program has always written it.
const std::vector<std::string>& PresetTimeZoneColumns() {
    static const std::vector<std::string> columns = [] {
        std::vector<std::string> names = {"timeZoneID"};
        for (const ZoneColumn& column : ZoneColumnTable()) {
            names.push_back(column.name);
        }
        return names;
    }();
    return columns;
}

std::string VariantToText(const FieldVariant& value) {
    char buffer[64];
    switch (value.type) {
    case FieldVariant::Null:
        return "";
    case FieldVariant::Short:
    case FieldVariant::Long:
    case FieldVariant::Byte:
        std::snprintf(buffer, sizeof buffer, "%lld", value.integer);
        return buffer;
    case FieldVariant::Single:
    case FieldVariant::Double:
        std::snprintf(buffer, sizeof buffer, "%f", value.real);
        return buffer;
    case FieldVariant::Text:
        return value.text;
    default:
        std::snprintf(buffer, sizeof buffer, "%d ERROR !!!", value.type);
        return buffer;
    }
}

// Double-quoted values become string literals (a doubled double quote inside one stands for
// one double quote); single-quoted literals pass unchanged; only the text outside quotes is
// rewritten for the COUNTER key.
std::string CZoneDatabase::TranslateStatement(const std::string& statement) {
    std::string out;
    std::string unquoted;
    out.reserve(statement.size() + 16);
    std::size_t i = 0;
    const std::size_t n = statement.size();
    while (i < n) {
        const char c = statement[i];
        if (c != '"' && c != '\'') {
            unquoted += c;
            ++i;
            continue;
        }
        out += TranslateUnquoted(unquoted);
        unquoted.clear();
        std::string value;
        ++i;
        while (i < n) {
            if (statement[i] == c) {
                if (i + 1 < n && statement[i + 1] == c) {
                    value += c;
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            value += statement[i++];
        }
        out += '\'';
        for (char v : value) {
            if (v == '\'') {
                out += '\'';
            }
            out += v;
        }
        out += '\'';
    }
    out += TranslateUnquoted(unquoted);
    return out;
}

CZoneDatabase::CZoneDatabase(IMessageBox& messages) : m_messages(messages) {}

CZoneDatabase::~CZoneDatabase() {
    CloseRecordset();
    CloseDatabase();
}

void CZoneDatabase::SetLocation(const std::string& directory, const std::string& baseName) {
    m_directory = directory;
    m_baseName = baseName;
}

std::string CZoneDatabase::FilePath() const {
    return (m_directory.empty() ? std::string(".") : m_directory) + "/" + m_baseName + ".mdb";
}

void CZoneDatabase::CloseDatabase() {
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_readOnly = false;
    m_hasZoneTable = false;
}

void CZoneDatabase::StartTimeLimit() {
    m_deadline = std::chrono::steady_clock::now() + m_timeLimit;
}

// Called by SQLite every few thousand steps of a statement; non-zero stops it.
int CZoneDatabase::OnProgress(void* self) {
    return std::chrono::steady_clock::now() > static_cast<CZoneDatabase*>(self)->m_deadline ? 1 : 0;
}

std::string CZoneDatabase::InterruptedText() const {
    return "the statement was stopped after " + std::to_string(m_timeLimit.count()) +
           " ms (the file holds too much, or a view that never ends)";
}

// presetTimeZones must be a real table: a view can run without end. A file without it is
// kept open as it is (the clock then shows the computer's zone).
bool CZoneDatabase::CheckZoneTable(sqlite3* db, const std::string& path) {
    sqlite3_stmt* statement = nullptr;
    std::string type;
    int rc = sqlite3_prepare_v2(
        db, "SELECT type FROM sqlite_master WHERE name = 'presetTimeZones' COLLATE NOCASE", -1,
        &statement, nullptr);
    if (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(statement, 0);
        type = text ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        ConnectError(path, rc == SQLITE_INTERRUPT ? InterruptedText() : EngineText(db));
        return false;
    }
    if (!type.empty() && type != "table") {
        ConnectError(path,
                     "presetTimeZones is a " + type + ", not a table (the file is left as it is)");
        return false;
    }
    m_hasZoneTable = type == "table";
    return true;
}

void CZoneDatabase::ConnectError(const std::string& path, const std::string& engineText) {
    const bool memory = engineText == "out of memory";
    m_messages.Show(
        std::string(memory ? "CMemoryException on Connect:" : "CDaoException on Connect:") + path +
            "\n\n" + engineText,
        kProductName, MessageButtons::Ok, MessageIcon::None);
}

void CZoneDatabase::QueryError(const std::string& statement, const std::string& engineText,
                               bool writing) {
    if (engineText == "out of memory") {
        m_messages.Show("CMemoryException on Query SQL:" + statement, kProductName,
                        MessageButtons::Ok, MessageIcon::None);
        return;
    }
    // A change that failed (a full disk, a read-only folder) was read and understood: only
    // storing it went wrong, and "could not be opened" would send the user the wrong way.
    m_messages.Show(std::string(writing ? "The data file could not be written"
                                        : "The data file could not be opened") +
                        " because of this error:\n" + engineText +
                        "\n\nCDaoException on Query SQL:" + statement,
                    kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
}

bool CZoneDatabase::Connect(const std::string& createStatement) {
    CloseRecordset();
    CloseDatabase();
    const std::string path = FilePath();
    if (FileExists(path)) {
        return OpenExisting(path);
    }
    return CreateNew(path, createStatement);
}

// Opens a file that is already there without ever creating, truncating or rewriting it, and
// reads its schema at once: SQLite opens lazily, so a file that is no database (garbage, an
// old Jet file) or is locked shows only on the first read.
bool CZoneDatabase::OpenExisting(const std::string& path) {
    sqlite3* db = nullptr;
    // URI file names let a statement attach another file read-only; a path of ours that
    // happens to start as a URI ("file:...") is kept a plain path.
    const std::string name = path.rfind("file:", 0) == 0 ? "./" + path : path;
    int rc = sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        sqlite3_progress_handler(db, 1000, &CZoneDatabase::OnProgress, this);
        StartTimeLimit();
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        std::string text = rc == SQLITE_INTERRUPT ? InterruptedText() : EngineText(db);
        if (rc == SQLITE_NOTADB) {
            text += " (the file is left as it is; move it away to start with a new one)";
        } else if (rc == SQLITE_BUSY) {
            text += " (another program holds it; the clock shows the computer's zone)";
        }
        ConnectError(path, text);
        sqlite3_close_v2(db);
        return false;
    }
    if (!CheckZoneTable(db, path)) {
        sqlite3_close_v2(db);
        return false;
    }
    m_db = db;
    m_readOnly = sqlite3_db_readonly(db, "main") == 1;
    // A writable file in a folder that may not be written cannot take a change either.
    const std::string reason = UnwritableReason(path);
    if (m_readOnly || !reason.empty()) {
        m_readOnly = true;
        m_messages.Show("The zone database " + path + " is read-only" +
                            (reason.empty() ? "" : " because " + reason) +
                            ": its zones can be shown, but changes cannot be saved.",
                        kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
    }
    return true;
}

// A new file is built under a temporary name and linked into place only when the table is in
// it, so a crash never leaves a half-made database and a file that appeared meanwhile (another
// clock started at the same moment) is kept.
bool CZoneDatabase::CreateNew(const std::string& path, const std::string& createStatement) {
    // The file is made by the platform layer rather than the engine, which on a read-only
    // folder reports only the missing file it then tried to read; an empty file is an empty
    // database to it.
    NewFile file(path);
    std::string why;
    if (!file.Create(&why)) {
        ConnectError(path, "a new zone database cannot be made: " + why);
        return false;
    }
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.TemporaryPath().c_str(), &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        std::string text = EngineText(db);
        if (db && sqlite3_system_errno(db) != 0) {
            text += std::string(" (") + std::strerror(sqlite3_system_errno(db)) + ")";
        }
        ConnectError(path, text);
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_progress_handler(db, 1000, &CZoneDatabase::OnProgress, this);
    m_db = db;
    const bool created = Query(createStatement);
    CloseDatabase();
    if (!created) {
        return false;
    }
    if (file.Place(&why) == NewFile::Placed::Failed) {
        ConnectError(path, why);
        return false;
    }
    return OpenExisting(path);
}

bool CZoneDatabase::Query(const std::string& statement) {
    CloseRecordset();
    m_stepCount = 0;
    m_affected = 0;
    if (!m_db) {
        QueryError(statement, "The zone database is not open.");
        return false;
    }
    const std::string sql = TranslateStatement(statement);
    StartTimeLimit();
    sqlite3_stmt* prepared = nullptr;
    const char* tail = nullptr;
    int rc =
        sqlite3_prepare_v2(m_db, sql.c_str(), static_cast<int>(sql.size() + 1), &prepared, &tail);
    if (rc != SQLITE_OK) {
        QueryError(statement, rc == SQLITE_INTERRUPT ? InterruptedText() : EngineText(m_db));
        return false;
    }
    std::string error;
    bool writing = false; // a change the file could not store
    if (!prepared) {
        error = "Invalid SQL statement.";
    } else if (!OnlyBlanksOrSemicolons(tail)) {
        error = "Characters found after end of SQL statement.";
    }
    if (error.empty() && ContainsSelect(statement)) {
        if (OpenRecordset(prepared, error)) {
            sqlite3_finalize(prepared);
            return true;
        }
    } else if (error.empty()) {
        if (sqlite3_column_count(prepared) > 0) {
            // A query returns rows; only action statements are executed.
            error = "Cannot execute a select query.";
        } else {
            while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
            }
            if (rc == SQLITE_DONE) {
                m_affected = sqlite3_changes(m_db);
                sqlite3_finalize(prepared);
                return true;
            }
            if (rc == SQLITE_INTERRUPT) {
                error = InterruptedText();
            } else if (sqlite3_stmt_readonly(prepared) == 0) {
                writing = true;
                error = StorageFailureText(m_db, FilePath());
            } else {
                error = EngineText(m_db);
            }
        }
    }
    sqlite3_finalize(prepared);
    QueryError(statement, error, writing);
    return false;
}

// Reads the whole result at once: the recordset is a snapshot, unaffected by later writes.
bool CZoneDatabase::OpenRecordset(sqlite3_stmt* statement, std::string& error) {
    const int columns = sqlite3_column_count(statement);
    if (columns == 0) {
        // A statement that returns no rows (an UPDATE whose value holds the word) cannot be
        // opened as a recordset, and it is not run either.
        error = "Invalid operation.";
        return false;
    }
    auto recordset = std::make_unique<Recordset>();
    for (int c = 0; c < columns; ++c) {
        const char* name = sqlite3_column_name(statement, c);
        recordset->columns.emplace_back(name ? name : "");
    }
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (recordset->rows.size() == kMaxRows) {
            error = "the result has more than " + std::to_string(kMaxRows) + " rows";
            return false;
        }
        std::vector<FieldVariant> row;
        row.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            row.push_back(ReadColumn(statement, c));
        }
        recordset->rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        error = rc == SQLITE_INTERRUPT ? InterruptedText() : EngineText(m_db);
        return false;
    }
    m_recordset = std::move(recordset);
    m_firstStep = true;
    return true;
}

bool CZoneDatabase::NextRecord() {
    if (!m_recordset || m_recordset->current >= m_recordset->rows.size()) {
        return false;
    }
    if (m_firstStep) {
        m_firstStep = false;
    } else {
        ++m_recordset->current;
        if (m_recordset->current >= m_recordset->rows.size()) {
            return false;
        }
        m_recordset->farthest = std::max(m_recordset->farthest, m_recordset->current);
    }
    ++m_stepCount;
    return true;
}

CFieldValue CZoneDatabase::GetField(const std::string& column) {
    if (!m_recordset || m_recordset->current >= m_recordset->rows.size()) {
        return CFieldValue();
    }
    const auto& columns = m_recordset->columns;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (sqlite3_stricmp(columns[c].c_str(), column.c_str()) == 0) {
            return CFieldValue(Trim(VariantToText(m_recordset->rows[m_recordset->current][c])));
        }
    }
    return CFieldValue();
}

long CZoneDatabase::GetCount() {
    if (!m_recordset) {
        return m_affected;
    }
    if (m_recordset->rows.empty()) {
        return 0;
    }
    return static_cast<long>(m_recordset->farthest + 1);
}

void CZoneDatabase::CloseRecordset() {
    m_recordset.reset();
}

bool CZoneDatabase::Execute(const std::string& sql, std::string& error) {
    if (!m_db) {
        error = "the zone database is not open";
        return false;
    }
    StartTimeLimit();
    const int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        return true;
    }
    error = rc == SQLITE_INTERRUPT ? InterruptedText() : StorageFailureText(m_db, FilePath());
    return false;
}

bool CZoneDatabase::Select(const std::string& sql, std::vector<std::vector<std::string>>& rows,
                           std::string& error) {
    rows.clear();
    if (!m_db) {
        error = "the zone database is not open";
        return false;
    }
    StartTimeLimit();
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            if (rows.size() == kMaxRows) {
                rc = SQLITE_TOOBIG;
                break;
            }
            std::vector<std::string>& row = rows.emplace_back();
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                row.push_back(Trim(VariantToText(ReadColumn(statement, c))));
            }
        }
    }
    if (rc == SQLITE_TOOBIG) {
        error = "the result has more than " + std::to_string(kMaxRows) + " rows";
    } else if (rc != SQLITE_DONE) {
        error = rc == SQLITE_INTERRUPT ? InterruptedText() : EngineText(m_db);
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

bool IsDatabaseEngineAvailable() {
    sqlite3* db = nullptr;
    bool ok = sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                              nullptr) == SQLITE_OK &&
              sqlite3_exec(db, "SELECT 1", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close_v2(db);
    return ok;
}

bool InstallPresetDatabase(const std::string& presetPath, const std::string& targetPath,
                           std::string& error) {
    // No shipped database is no error: Connect then creates an empty one.
    return CopyFileIfAbsent(presetPath, targetPath, &error) != FileCopyStatus::Failed;
}

} // namespace tarnwick
