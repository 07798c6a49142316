// The zone clock's side of the zone database: opening it and loading one row into the record.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/message_box.h"
#include "platform/paths.h"
#include "zones/zone_clock.h"
#include "zones/zone_database.h"

namespace tarnwick {

namespace {

constexpr const char* kBaseName = "timezones";

bool SameDirectory(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

void InstallShippedPresets(const std::string& dataDirectoryOrEmpty, IMessageBox& messages) {
    const std::string dataDirectory = dataDirectoryOrEmpty.empty() ? "." : dataDirectoryOrEmpty;
    const std::string shippedDirectory = ShippedDataDirectory();
    if (shippedDirectory.empty() || SameDirectory(shippedDirectory, dataDirectory)) {
        return;
    }
    const std::string file = std::string("/") + kBaseName + ".mdb";
    std::string error;
    if (!InstallPresetDatabase(shippedDirectory + file, dataDirectory + file, error)) {
        messages.Show("The preset time zones could not be copied: " + error, kProductName,
                      MessageButtons::Ok, MessageIcon::Exclamation);
    }
}

bool ConnectZoneDatabase(CZoneDatabase& database, const std::string& dataDirectory,
                         IMessageBox& messages) {
    database.SetLocation(dataDirectory, kBaseName);
    InstallShippedPresets(dataDirectory, messages);
    return database.Connect(CZoneDatabase::kCreateStatement);
}

std::string SelectZoneStatement(std::int32_t timeZoneID) {
    return "SELECT * from presetTimeZones WHERE timeZoneID=" + std::to_string(timeZoneID);
}

bool CZoneClock::ConnectDatabase(const std::string& dataDirectory, IMessageBox& messages) {
    m_database = std::make_shared<CZoneDatabase>(messages);
    return ConnectZoneDatabase(*m_database, dataDirectory, messages);
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
        // ResetRecord left the id at -1 and the texts empty.
        m_record.name = "TimeZoneID not Found";
        m_record.tzi = m_localTime.GetTimeZoneInformation();
        m_record.dstUse = m_record.tzi.DaylightDate.wMonth != 0;
        return true;
    }

    ZoneColumns row;
    row.timeZoneName = db->GetField("m_TimeZoneName").Text();
    row.country = db->GetField("m_Country").Text();
    row.cities = db->GetField("m_Cities").Text();
    row.province = db->GetField("m_Province").Text();
    row.dstUse = db->GetField("m_DSTUse").ToInt();
    row.stdAbbr = db->GetField("m_STDAbbr").Text();
    row.dstAbbr = db->GetField("m_DSTAbbr").Text();
    row.gmtBiasHour = db->GetField("m_GMTBiasHour").ToInt();
    row.gmtBiasMinute = db->GetField("m_GMTBiasMinute").ToInt();
    if (row.dstUse != 0) {
        row.stdBiasHour = db->GetField("m_STDBiasHour").ToInt();
        row.stdBiasMinute = db->GetField("m_STDBiasMinute").ToInt();
        row.stdStartCountDow = db->GetField("m_STDStartCountDOW").ToInt();
        row.stdDow = db->GetField("m_STDDOW").ToInt();
        row.stdMonth = db->GetField("m_STDMonth").ToInt();
        row.stdHour = db->GetField("m_STDHour").ToInt();
        row.stdAmPm = db->GetField("m_STDAMPM").ToInt();
        row.stdMinute = db->GetField("m_STDMinute").ToInt();
        row.dstBiasHour = db->GetField("m_DSTBiasHour").ToInt();
        row.dstBiasMinute = db->GetField("m_DSTBiasMinute").ToInt();
        row.dstStartCountDow = db->GetField("m_DSTStartCountDOW").ToInt();
        row.dstDow = db->GetField("m_DSTDOW").ToInt();
        row.dstMonth = db->GetField("m_DSTMonth").ToInt();
        row.dstHour = db->GetField("m_DSTHour").ToInt();
        row.dstAmPm = db->GetField("m_DSTAMPM").ToInt();
        row.dstMinute = db->GetField("m_DSTMinute").ToInt();
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
