// One zone to display: its record, and its current time, abbreviation, offset and daylight
// state, evaluated on demand.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "zones/date_time.h"
#include "zones/local_time_info.h"
#include "zones/zone_record.h"

namespace tarnwick {

class CZoneDatabase;
class IMessageBox;

class CZoneClock {
public:
    CZoneClock(const IClock& clock, const ILocalZone& localZone);
    ~CZoneClock();

    // Opens (creating when missing) the zone database "timezones" in the data directory.
    // Defined with the database access.
    bool ConnectDatabase(const std::string& dataDirectory, IMessageBox& messages);
    // Loads a row by id; an id without a row (or no database) loads the computer's zone
    // named "TimeZoneID not Found". Always true. Defined with the database access.
    bool LoadZone(std::int32_t timeZoneID);
    // Why the zone database cannot give zones; empty when it is open and holds the table.
    std::string DatabaseProblem() const;

    void SetRecord(const CZoneRecord& record) { m_record = record; }
    const CZoneRecord& GetRecord() const { return m_record; }
    void ResetRecord();

    DateTime GetZoneTime(); // also refreshes abbreviation, offset and daylight state
    std::string GetAbbreviation() const { return m_abbreviation; }
    std::int32_t GetOffsetMinutes() const { return m_offsetMinutes; }
    bool IsDstNow() const { return m_dstNow; }
    std::string GetZoneName() const { return m_record.name; }
    CLocalTimeInfo& LocalTime() { return m_localTime; }

private:
    void LoadComputerZone();

    std::string m_abbreviation;
    std::int32_t m_offsetMinutes = 0; // local = UTC + offset
    bool m_dstNow = false;
    CZoneRecord m_record;
    CLocalTimeInfo m_localTime;
    std::shared_ptr<CZoneDatabase> m_database;
    IMessageBox* m_messages = nullptr; // set by ConnectDatabase; outlives the clock
};

} // namespace tarnwick
