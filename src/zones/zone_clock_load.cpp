// The zone clock's side of the zone database: opening it and loading one row into the record.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/message_box.h"
#include "zones/preset_update.h"
#include "zones/zone_clock.h"
#include "zones/zone_columns.h"
#include "zones/zone_database.h"

namespace tarnwick {

namespace {

constexpr const char* kBaseName = "timezones";

} // namespace

bool ConnectZoneDatabase(CZoneDatabase& database, const std::string& dataDirectory,
                         IMessageBox& messages, bool updateFromShipped) {
    database.SetLocation(dataDirectory, kBaseName);
    InstallShippedPresets(dataDirectory, messages);
    if (!database.Connect(ZoneCreateStatement())) {
        return false;
    }
    if (updateFromShipped) {
        UpdateFromShippedPresets(database, dataDirectory, messages);
    }
    return true;
}

std::string SelectZoneStatement(std::int32_t timeZoneID) {
    return "SELECT * from presetTimeZones WHERE timeZoneID=" + std::to_string(timeZoneID);
}

void CZoneClock::LoadComputerZone() {
    ResetRecord(); // the id -1 and the texts empty
    m_record.name = "TimeZoneID not Found";
    m_record.tzi = m_localTime.GetTimeZoneInformation();
    m_record.dstUse = m_record.tzi.DaylightDate.wMonth != 0;
    m_record.computerZone = true;
}

bool CZoneClock::ConnectDatabase(const std::string& dataDirectory, IMessageBox& messages) {
    m_messages = &messages;
    m_database = std::make_shared<CZoneDatabase>(messages);
    return ConnectZoneDatabase(*m_database, dataDirectory, messages);
}

std::string ZoneTableProblem(const CZoneDatabase& database) {
    if (!database.IsOpen()) {
        return "the zone database " + database.FilePath() + " could not be opened";
    }
    if (!database.HasZoneTable()) {
        return "the zone database " + database.FilePath() + " has no table presetTimeZones";
    }
    return {};
}

std::string CZoneClock::DatabaseProblem() const {
    return m_database ? ZoneTableProblem(*m_database) : "no zone database is connected";
}

bool CZoneClock::LoadZone(std::int32_t timeZoneID) {
    ResetRecord();
    CZoneDatabase* db = m_database.get();
    // Connect has already said why a database is missing; the clock then quietly shows the
    // computer's zone instead of repeating the message at every load.
    const bool found =
        db && db->IsOpen() && db->Query(SelectZoneStatement(timeZoneID)) && db->GetCount() > 0;
    if (!found) {
        if (db) {
            db->CloseRecordset();
        }
        LoadComputerZone();
        return true;
    }

    ZoneColumns row;
    for (const ZoneColumn& column : ZoneColumnTable()) {
        SetZoneColumn(column, row, db->GetField(column.name));
    }
    std::string why;
    if (!ValidateZoneColumns(row, why)) {
        // A wrong time is worse than none: the zone is refused and the computer's shown.
        db->CloseRecordset();
        if (m_messages) {
            m_messages->Show("The time zone " + std::to_string(timeZoneID) + " in " +
                                 db->FilePath() + " is invalid: " + why +
                                 ". The clock shows the computer's zone instead.",
                             kProductName, MessageButtons::Ok, MessageIcon::Exclamation);
        }
        LoadComputerZone();
        return true;
    }
    // Biases of up to a few days keep every sum below int overflow, whatever a row holds.
    auto clampBias = [](int& hour, int& minute) {
        hour = std::clamp(hour, -99, 99);
        minute = std::clamp(minute, -5999, 5999);
    };
    clampBias(row.gmtBiasHour, row.gmtBiasMinute);
    clampBias(row.stdBiasHour, row.stdBiasMinute);
    clampBias(row.dstBiasHour, row.dstBiasMinute);
    FillRecordFromColumns(timeZoneID, row, m_record);
    db->CloseRecordset();
    return true;
}

} // namespace tarnwick
